#include "windows/bill_window.h"

#include <algorithm>
#include <chrono>

#include "base/text_util.h"
#include "model/currency_store.h"
#include "model/type_store.h"
#include "model/user_store.h"
#include "services/rate_book.h"
#include "services/unit_of_work.h"
#include "tolm/base_data.h"
#include "i18n/catalogue.h"
#include "tolm/components.h"
#include "tolm/registry.h"
#include "windows/rate_display.h"
#include "windows/standard_menu_bars.h"
#include "windows/tool_collection.h"
#include "windows/window_data_access.h"
#include "tolm/text.h"

namespace hub {
namespace {

constexpr const char* Source = "BillWindow";
// The key code a person presses for help.
constexpr int16_t KeyF1 = 112;

tolm::HostError Error(int32_t number, const std::string& description) {
    return tolm::HostError(number, description, Source);
}

bool IsBlankValue(const tolm::Variant& value) {
    if (value.IsEmpty() || value.IsNull()) return true;
    return value.Type() == tolm::VarType::String && IsBlank(value.ToText());
}

// A day of validity: the time of day, if any came along, is not part of it.
tolm::DateTime DayOf(tolm::DateTime value) {
    return tolm::DateTime(std::chrono::floor<std::chrono::days>(value));
}

int32_t IdValue(const tolm::Variant& value) { return IsBlankValue(value) ? 0 : value.ToLong(); }

}  // namespace

std::string RateListFilter(int32_t typeId) {
    return "t_ExchangeRate.FParentID=" + std::to_string(typeId) + " AND t_ExchangeRate.FIsNativeRate=0";
}

// ---- construction --------------------------------------------------------------------------

std::shared_ptr<BillWindow> BillWindow::ForNewRate(std::shared_ptr<Session> session, std::string filterText) {
    return std::shared_ptr<BillWindow>(new BillWindow(std::move(session), ModeNew, 0, std::move(filterText)));
}

std::shared_ptr<BillWindow> BillWindow::ForRate(std::shared_ptr<Session> session, int32_t rateId,
                                                std::string filterText) {
    return std::shared_ptr<BillWindow>(
        new BillWindow(std::move(session), ModeModify, rateId, std::move(filterText)));
}

BillWindow::BillWindow(std::shared_ptr<Session> session, int32_t mode, int32_t rateId, std::string filterText)
    : m_session(std::move(session)),
      m_mode(mode),
      m_openedRateId(rateId),
      m_menuBar(BuildStandardMenuBar(StandardMenu::RateBill, m_session ? m_session->Language() : "chs")),
      m_parameter(std::make_shared<BillWindowParameter>(std::move(filterText))),
      m_events([this](const tolm::HostError& error) { Report(error); }) {
    if (!m_session) throw Error(tolm::err::ObjectNotSet, "A bill window needs a logged-in session");

    m_dataAccess = WindowDataAccess(m_session);

    struct Layout {
        const char* key;
        const char* caption;
        FieldKind kind;
        bool personEditable;
        int32_t decimals;
    };
    static constexpr Layout Fields[] = {
        {"FID", "内码", FieldKind::Id, false, 0},
        {"FBase", "币别", FieldKind::Currency, true, 0},
        {"FBaseProperty", "币别名称", FieldKind::CurrencyName, false, 0},
        {"FExchangeRate", "汇率", FieldKind::Number, true, DefaultRateDecimals},
        {"FBegDate", "生效日期", FieldKind::Date, true, 0},
        {"FEndDate", "失效日期", FieldKind::Date, true, 0},
        {"FChkUserID", "审核人", FieldKind::User, false, 0},
        {"FExchangeRateType", "汇率类型", FieldKind::Type, false, 0},
        {"FNumber", "代码", FieldKind::Text, false, 0},
        {"FName", "名称", FieldKind::Text, false, 0},
    };
    for (const Layout& layout : Fields) {
        m_fields.push_back(HeadField{layout.key, layout.caption, layout.kind, layout.personEditable, {}, {},
                                     std::make_shared<BillWindowControl>(layout.key, layout.decimals)});
    }
}

BillWindow::~BillWindow() = default;

// ---- events ----------------------------------------------------------------------------------

void BillWindow::Report(const tolm::HostError& error) const {
    tolm::OnErrorSilent([&] {
        tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ReportError(error, {});
    });
}

// ---- head fields -----------------------------------------------------------------------------

BillWindow::HeadField& BillWindow::Field(const std::string& key) {
    return const_cast<HeadField&>(std::as_const(*this).Field(key));
}

const BillWindow::HeadField& BillWindow::Field(const std::string& key) const {
    for (const HeadField& field : m_fields) {
        if (tolm::text::EqualsNoCase(field.key, key)) return field;
    }
    throw Error(tolm::err::ObjectNotFound, "The exchange-rate editor has no field " + key);
}

const BillWindow::HeadField& BillWindow::FieldOfControl(const std::shared_ptr<tolm::IFieldControl>& control) const {
    for (const HeadField& field : m_fields) {
        if (control && field.control.get() == control.get()) return field;
    }
    throw Error(tolm::err::InvalidProcedureCall, "The control is not one of this window's controls");
}

tolm::Variant BillWindow::GetHeadValue(const std::string& sKey, int32_t lRow, int32_t lKind) const {
    const HeadField& field = Field(sKey);
    if (lRow != 1) {
        throw Error(tolm::err::SubscriptOutOfRange, "A head field has only row 1, not " + std::to_string(lRow));
    }
    // A field with nothing in it holds the empty text, as an empty box does.
    if (lKind == 1) return field.value.IsEmpty() ? tolm::Variant(std::string()) : field.value;
    if (lKind == 3) return tolm::Variant(DisplayText(field));
    throw Error(tolm::err::InvalidProcedureCall,
                "A head field gives its value (1) or its display text (3), not kind " + std::to_string(lKind));
}

tolm::Variant BillWindow::SetHeadValue(const std::string& sKey, const tolm::Variant& value, bool bFireChange) {
    HeadField& field = Field(sKey);
    StoreValue(field, value);
    if (bFireChange && field.kind == FieldKind::Currency) {
        // The currency's name goes with the currency.
        tolm::Variant name;
        if (!field.value.IsEmpty()) {
            const std::optional<CurrencyRecord> currency = FindCurrency(*m_session->Db(), field.value.ToLong());
            name = tolm::Variant(currency ? currency->name : std::string());
        }
        StoreValue(Field("FBaseProperty"), name);
    }
    return field.value;
}

void BillWindow::StoreValue(HeadField& field, const tolm::Variant& value) {
    const tolm::Variant valueBefore = field.value;
    const std::string textBefore = field.text;
    Store(field, value);
    if (field.value != valueBefore || field.text != textBefore) m_changes.Notify({WindowChangeKind::Field, field.key});
}

void BillWindow::Store(HeadField& field, const tolm::Variant& value) {
    Database& db = *m_session->Db();
    switch (field.kind) {
        case FieldKind::Id:
        case FieldKind::Currency:
        case FieldKind::User:
        case FieldKind::Type: {
            tolm::Variant stored = IsBlankValue(value) ? tolm::Variant() : tolm::Variant(value.ToLong());
            std::string text;
            if (!stored.IsEmpty()) {
                const int32_t id = stored.ToLong();
                if (field.kind == FieldKind::Currency) {
                    const std::optional<CurrencyRecord> currency = FindCurrency(db, id);
                    text = currency ? currency->number : std::string();
                } else if (field.kind == FieldKind::User) {
                    text = UserNameOf(db, id);
                } else if (field.kind == FieldKind::Type) {
                    const std::optional<TypeValues> type = FindType(db, id);
                    text = type ? type->name : std::string();
                } else {
                    text = stored.ToText();
                }
            }
            field.value = std::move(stored);
            field.text = std::move(text);
            break;
        }
        case FieldKind::Number:
            field.value = IsBlankValue(value) ? tolm::Variant() : tolm::Variant(value.ToDouble());
            break;
        case FieldKind::Date:
            field.value = IsBlankValue(value) ? tolm::Variant() : tolm::Variant(DayOf(value.ToDate()));
            break;
        case FieldKind::CurrencyName:
        case FieldKind::Text:
            field.value = value.IsEmpty() || value.IsNull() ? tolm::Variant() : tolm::Variant(value.ToText());
            break;
    }
}

std::string BillWindow::DisplayText(const HeadField& field) const {
    if (field.value.IsEmpty()) return {};
    switch (field.kind) {
        case FieldKind::Currency:
        case FieldKind::User:
        case FieldKind::Type:
            return field.text;
        case FieldKind::Number:
            return RateDisplayText(field.value.ToDouble(), field.control->Decimals());
        case FieldKind::Date:
            return tolm::FormatDate(field.value.ToDate(), "yyyy-MM-dd");
        default:
            return field.value.ToText();
    }
}

std::shared_ptr<tolm::IFieldControl> BillWindow::GetControl(const std::string& sKey, std::string& sPage,
                                                            int32_t& lIndex) const {
    const HeadField& field = Field(sKey);
    sPage = "Page1";
    lIndex = static_cast<int32_t>(&field - m_fields.data()) + 1;
    return field.control;
}

void BillWindow::LockControl(const std::shared_ptr<tolm::IFieldControl>& control, int32_t, bool bLock) {
    const HeadField& field = FieldOfControl(control);
    if (field.control->Locked() == bLock) return;
    field.control->SetLocked(bLock);
    m_changes.Notify({WindowChangeKind::FieldLocked, field.key});
}

tolm::Variant BillWindow::SetControlDecimals(const std::shared_ptr<tolm::IFieldControl>& control, int32_t,
                                             int32_t lDecimals) {
    const HeadField& field = FieldOfControl(control);
    const int32_t previous = field.control->Decimals();
    field.control->SetDecimals(lDecimals);
    if (previous != field.control->Decimals()) m_changes.Notify({WindowChangeKind::FieldDecimals, field.key});
    return tolm::Variant(previous);
}

void BillWindow::SetStatusText(int32_t lPanel, const std::string& text) {
    if (StatusText(lPanel) == text) return;
    auto found = std::find_if(m_statusTexts.begin(), m_statusTexts.end(),
                              [lPanel](const auto& entry) { return entry.first == lPanel; });
    if (found != m_statusTexts.end()) {
        found->second = text;
    } else {
        m_statusTexts.emplace_back(lPanel, text);
    }
    m_changes.Notify({WindowChangeKind::Status, std::to_string(lPanel)});
}

void BillWindow::SetCaption(const std::string& text) {
    if (m_caption == text) return;
    m_caption = text;
    m_changes.Notify({WindowChangeKind::Caption, {}});
}

std::string BillWindow::StatusText(int32_t lPanel) const {
    for (const auto& [panel, text] : m_statusTexts) {
        if (panel == lPanel) return text;
    }
    return {};
}

const BillWindowControl& BillWindow::Control(const std::string& key) const { return *Field(key).control; }

int32_t BillWindow::RecordId() const { return IdValue(Field("FID").value); }

// ---- loading ---------------------------------------------------------------------------------

void BillWindow::Load(int32_t rateId) {
    auto rows = RateRow(*m_session->Db(), rateId);
    if (rows->IsEOF()) throw Error(tolm::err::ObjectNotFound, "There is no exchange rate " + std::to_string(rateId));
    StoreValue(Field("FID"), rows->Field("FID"));
    StoreValue(Field("FBase"), rows->Field("FCyTo"));
    StoreValue(Field("FBaseProperty"), rows->Field("FCurrencyName"));
    StoreValue(Field("FExchangeRate"), rows->Field("FExchangeRate"));
    StoreValue(Field("FBegDate"), rows->Field("FBegDate"));
    StoreValue(Field("FEndDate"), rows->Field("FEndDate"));
    StoreValue(Field("FChkUserID"), rows->Field("FChkUserID"));
    StoreValue(Field("FExchangeRateType"), rows->Field("FExchangeRateType"));
    StoreValue(Field("FNumber"), rows->Field("FNumber"));
    StoreValue(Field("FName"), rows->Field("FName"));
    m_loadedVersion = static_cast<int64_t>(rows->Field("FVersion").ToDouble());
}

// ---- what the person does --------------------------------------------------------------------

void BillWindow::RequireOpen(const char* operation) const {
    if (!m_open) {
        throw Error(tolm::err::InvalidProcedureCall,
                    std::string("The exchange-rate editor is ") + (m_closed ? "closed" : "not open") + ": cannot " +
                        operation);
    }
}

void BillWindow::Open(const std::string& editorClass) {
    if (m_open || m_closed) {
        throw Error(tolm::err::InvalidProcedureCall,
                    m_open ? "The exchange-rate editor is already open" : "A closed editor cannot be opened again");
    }
    if (m_mode == ModeModify) Load(m_openedRateId);
    m_editor = tolm::CreateObject<tolm::IBillEventClass>(editorClass);
    m_open = true;
    m_changes.Notify({WindowChangeKind::Open, {}});
    // The sinks the class connects while it attaches are the editor's: only they
    // make the checks a save depends on.
    m_events.Attach("Show", [&] { m_editor->Show(shared_from_this()); });
    m_events.Raise("MenuBarInitialize", [&](tolm::IBillEvents& sink) { sink.MenuBarInitialize(m_menuBar); });
    if (m_mode == ModeModify) {
        m_events.Raise("AfterLoadBill", [](tolm::IBillEvents& sink) { sink.AfterLoadBill(); });
    } else {
        m_events.Raise("AfterNewBill", [](tolm::IBillEvents& sink) { sink.AfterNewBill(); });
    }
}

void BillWindow::Enter(const std::string& key, const std::string& text) {
    RequireOpen("enter a value");
    HeadField& field = Field(key);
    const std::string& language = m_session->Language();
    const std::string caption = Translate(language, field.caption);
    if (!field.personEditable) {
        throw Error(tolm::err::Refused, TranslateFormat(language, "字段%1由系统填写，不能修改。", {caption}));
    }
    if (field.control->Locked()) {
        const std::string reason = StatusText(1);
        throw Error(tolm::err::Refused, reason.empty() ? TranslateFormat(language, "字段%1已锁定，不能修改。", {caption})
                                                       : TranslateFormat(language, "字段%1已锁定，不能修改：%2", {caption, reason}));
    }
    const std::string typed = Trimmed(text);
    tolm::Variant value;
    if (!typed.empty()) {
        switch (field.kind) {
            case FieldKind::Currency: {
                const std::optional<CurrencyRecord> currency = FindCurrencyByCode(*m_session->Db(), typed);
                if (!currency) {
                    throw Error(tolm::err::ObjectNotFound, TranslateFormat(m_session->Language(), "币别代码%1不存在。", {typed}));
                }
                value = tolm::Variant(currency->id);
                break;
            }
            case FieldKind::Number: {
                std::optional<double> number = ParseTypedNumber(typed);
                if (!number) throw Error(tolm::err::TypeMismatch, TranslateFormat(m_session->Language(), "“%1”不是数字。", {typed}));
                value = tolm::Variant(*number);
                break;
            }
            case FieldKind::Date: {
                std::optional<tolm::DateTime> day = tolm::ParseDate(typed, tolm::DateForm::Stored);
                if (!day || DayOf(*day) != *day) {
                    throw Error(tolm::err::TypeMismatch, TranslateFormat(m_session->Language(), "“%1”不是yyyy-MM-dd格式的日期。", {typed}));
                }
                value = tolm::Variant(*day);
                break;
            }
            default:
                value = tolm::Variant(typed);
                break;
        }
    }
    SetHeadValue(field.key, value, true);
}

bool BillWindow::HoldsSaveRight(int32_t mode) {
    // Asked before the editor's checks only to answer sooner: the save asks again.
    return tolm::OnErrorReport([this](const tolm::HostError& error) { Report(error); },
                               [&] { RateBook(m_session).RequireSaveRight(mode == ModeNew); });
}

std::optional<RateValues> BillWindow::CollectRow() {
    auto refuse = [&](const std::string& description) -> std::optional<RateValues> {
        Report(Error(tolm::err::Refused, description));
        return std::nullopt;
    };
    RateValues row;
    const HeadField& type = Field("FExchangeRateType");
    if (IdValue(type.value) == 0) return refuse(Translate(m_session->Language(), "汇率没有汇率类型。"));
    row.typeId = IdValue(type.value);
    const HeadField& currency = Field("FBase");
    if (IdValue(currency.value) == 0) return refuse(Translate(m_session->Language(), "请选择汇率的币别。"));
    row.currencyId = IdValue(currency.value);
    const HeadField& rate = Field("FExchangeRate");
    if (rate.value.IsEmpty()) return refuse(Translate(m_session->Language(), "请输入汇率。"));
    row.rate = rate.value.ToDouble();
    const HeadField& begin = Field("FBegDate");
    const HeadField& end = Field("FEndDate");
    if (begin.value.IsEmpty()) return refuse(Translate(m_session->Language(), "请输入生效日期。"));
    if (end.value.IsEmpty()) return refuse(Translate(m_session->Language(), "请输入失效日期。"));
    row.begin = begin.value.ToDate();
    row.end = end.value.ToDate();
    row.number = Field("FNumber").value.ToText();
    row.name = Field("FName").value.ToText();
    row.auditorId = IdValue(Field("FChkUserID").value);
    return row;
}

std::shared_ptr<tolm::Dictionary> BillWindow::SavedValues() const {
    auto values = std::make_shared<tolm::Dictionary>();
    for (const HeadField& field : m_fields) values->SetItem(field.key, GetHeadValue(field.key, 1, 1));
    return values;
}

bool BillWindow::Save() {
    RequireOpen("save");
    const int32_t mode = m_mode;
    if (!HoldsSaveRight(mode)) return false;
    // Without the editor nothing checks the rate (currency, amount, validity, code):
    // a BeforeSave that no one hears must not pass for one that found no fault.
    if (!m_events.AttachedSinkConnected()) {
        Report(Error(tolm::err::Refused,
                     Translate(m_session->Language(), "汇率编辑器未能连接到窗口，无法在保存前检查汇率，不能保存。")));
        return false;
    }

    bool bCancel = false;
    // Checks that could not be made must not let the rate through.
    const bool checked = m_events.Raise("BeforeSave", [&](tolm::IBillEvents& sink) { sink.BeforeSave(bCancel); });
    if (!checked || bCancel) return false;

    std::optional<RateValues> row = CollectRow();
    if (!row) return false;
    // The rate, and everything the editor's follow-up writes (its statements, the log
    // record), are stored together or not at all: the follow-up traps its own
    // errors, so the host watches what it writes, checks that the rate came out
    // whole, and undoes the whole save otherwise. The person is told only once the write lock is released.
    const tolm::Variant idBefore = Field("FID").value;
    int32_t id = 0;
    const std::string unfinished =
        Translate(m_session->Language(), "保存汇率后的处理没有完成，汇率未保存，数据没有任何改动。");
    const Outcome outcome = RunUnitOfWork(
        *m_session,
        [&] {
            // The rate the window opened, whatever a handler wrote into the FID field.
            id = RateBook(m_session).SaveRate(*row, mode == ModeNew ? 0 : m_openedRateId, m_loadedVersion);
            StoreValue(Field("FID"), tolm::Variant(id));
            const bool followedUp = m_events.Raise(
                "SaveBillSuccess", [values = SavedValues()](tolm::IBillEvents& sink) { sink.SaveBillSuccess(values); });
            // A follow-up that stopped before writing anything shows in the rate itself.
            if (!followedUp || !RateIsComplete(*m_session->Db(), id)) throw Error(tolm::err::Refused, unfinished);
            return true;
        },
        unfinished);
    if (!outcome.Succeeded()) {
        StoreValue(Field("FID"), idBefore);
        if (!outcome.told) Report(Error(tolm::err::Refused, outcome.reason));
        return false;
    }

    if (m_mode != ModeModify) {
        m_mode = ModeModify;
        m_changes.Notify({WindowChangeKind::Mode, {}});
    }
    m_openedRateId = id;
    // Show what is stored now, the follow-up of the save included. The rate is
    // stored whatever happens here.
    tolm::OnErrorReport([this](const tolm::HostError& error) { Report(error); }, [&] { Load(id); });
    return true;
}

int32_t BillWindow::RequestHelp() {
    RequireOpen("show help");
    int32_t iHelpId = 0;
    int32_t lGetPathMode = 0;
    const std::string classType = std::to_string(tolm::ExchangeRateClassTypeId);
    m_events.Raise("HelpHandler", [&](tolm::IBillEvents& sink) {
        sink.HelpHandler(KeyF1, 0, iHelpId, "", classType, m_mode, lGetPathMode);
    });
    return iHelpId;
}

void BillWindow::Close() {
    const std::shared_ptr<BillWindow> keepAlive = shared_from_this();
    CloseWindow(m_open, m_closed, m_editor, m_changes);
}

}  // namespace hub

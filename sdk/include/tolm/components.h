// The host's service components, each created by class name with CreateObject<T>.
// Almost every operation takes the session property string ("props") first.
// Failures raise HostError; a false answer is no error.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tolm/export.h"
#include "tolm/form.h"
#include "tolm/host_error.h"
#include "tolm/host_library.h"
#include "tolm/object.h"
#include "tolm/recordset.h"
#include "tolm/variant.h"

namespace tolm {

namespace classname {
inline constexpr const char* SecurityInfo = "HubBase.SecurityInfo";
inline constexpr const char* SystemProfile = "HubBase.SystemProfile";
inline constexpr const char* LogServer = "HubBase.LogServer";
inline constexpr const char* LedgerProfile = "HubLedger.SystemProfile";
inline constexpr const char* GlData = "HubLedgerView.GlData";
inline constexpr const char* ExRateUpdate = "HubBaseData.CExRateUpdate";
inline constexpr const char* ExRateLookup = "HubBaseData.CExRateLookup";
inline constexpr const char* ClassLookup = "HubClassLookup.BaseClassLookUp";
inline constexpr const char* TransferWizard = "HubClassTransfer.Wizard";
inline constexpr const char* Notation = "HubNotation.Notation";
inline constexpr const char* HelpTool = "HubHelpTool.ClsCHMHelp";
inline constexpr const char* LangInfo = "HubLangInfo.LangInfo";
inline constexpr const char* ResLoader = "HubResLoader.Loader";
inline constexpr const char* DlgResLoader = "HubDlgRes.DlgResLoader";
inline constexpr const char* SessionProps = "HubSession.SessionProps";
inline constexpr const char* MessageService = "HubMessage.Publics";
}  // namespace classname

// HubBase.SecurityInfo: the user's rights.
class TOLM_SDK_API ISecurityInfo : public Object {
public:
    ~ISecurityInfo() override;
    // Whether the session's user holds `rightBit` on `objectNumber` of `subsystem`
    // (65001 for base data); showMessage tells the user when the right is missing.
    virtual bool AccessCheck(const std::string& props, int32_t subsystem, int32_t objectNumber, int32_t rightBit,
                             bool showMessage, const std::string& extra) = 0;
    virtual bool IsAdministrator(const std::string& props) = 0;
};

// HubBase.SystemProfile: stored options by category and key.
class TOLM_SDK_API ISystemProfile : public Object {
public:
    ~ISystemProfile() override;
    // The stored value, or Empty when nothing is stored.
    virtual Variant GetProfile(const std::string& props, const std::string& category, const std::string& key) = 0;
    virtual void SetProfile(const std::string& props, const std::string& category, const std::string& key,
                            const Variant& value) = 0;
};

// HubBase.LogServer: the operation log.
class TOLM_SDK_API ILogServer : public Object {
public:
    ~ILogServer() override;
    // Stores one record; true when it was stored.
    virtual Variant WriteLog(const std::string& props, const std::string& operationKey, int32_t& operationKind,
                             const std::string& description, const std::string& machineName,
                             const std::string& address) = 0;
    // Deletes the records matching a condition over the columns of the log view;
    // true when records were removed.
    virtual Variant DelLogByFilter(const std::string& props, std::string& filter) = 0;
};

// HubLedger.SystemProfile: the ledger's settings.
class TOLM_SDK_API ILedgerProfile : public Object {
public:
    ~ILedgerProfile() override;
    virtual void Refresh() = 0;
    // GLGetPeriodDate(0, 0): the first day of the current period (a Date).
    virtual Variant GLGetPeriodDate(int32_t year, int32_t period) = 0;
};

// The currency set of the ledger.
class TOLM_SDK_API ICurrencySet : public Object {
public:
    ~ICurrencySet() override;
    // Rows with the column FCurrencyID.
    virtual std::shared_ptr<IRecordset> Recordset() const = 0;
};

// HubLedgerView.GlData.
class TOLM_SDK_API IGlData : public Object {
public:
    ~IGlData() override;
    virtual std::shared_ptr<ICurrencySet> CurrencySet() = 0;
};

// HubBaseData.CExRateUpdate: audit and exchange-rate types.
class TOLM_SDK_API IExRateUpdate : public Object {
public:
    ~IExRateUpdate() override;
    // Audits (bCheck true) or reverse-audits the rates whose ids (decimal text) are
    // in `ids`, all or none; false (after telling the user why) when refused.
    virtual Variant ExchangeRateCheck(const std::string& props, std::shared_ptr<Collection>& ids, bool& bCheck) = 0;
    // The record holds FNumber, FName, FDigits, FRemark and FID. Refusals raise
    // HostError with a description a person understands.
    virtual Variant CreateExchangeRateType(const std::string& props, std::shared_ptr<NameValueRecord>& record) = 0;
    virtual Variant UpdateExchangeRateType(const std::string& props, std::shared_ptr<NameValueRecord>& record) = 0;
    virtual Variant DeleteExchangeRateType(const std::string& props, int32_t& lTypeID) = 0;
};

// One stored rate, as HubBaseData.CExRateLookup answers it.
struct ExRatePeriod {
    int32_t id = 0;
    std::string number;  // the rate's code
    // Units of the home currency per unit of the currency.
    double rate = 0;
    // Absent until the editor's follow-up has written it.
    std::optional<double> reverseRate;
    // The first and the last day of validity; the rate is valid on both.
    DateTime begin{};
    DateTime end{};
    int32_t auditorId = 0;  // 0 while not audited
};

// Consecutive days, the first and the last included.
struct DayRange {
    DateTime first{};
    DateTime last{};
    bool operator==(const DayRange&) const = default;
};

// What HubBaseData.CExRateLookup answers for one day.
struct ExRateOnDay {
    enum class Outcome {
        Valid,       // `rate` is valid that day
        NotAudited,  // `rate` is valid that day but was asked for audited and is not
        None         // no rate is valid that day
    };
    Outcome outcome = Outcome::None;
    std::optional<ExRatePeriod> rate;  // with Valid and NotAudited
    // With None: the nearest valid periods ending before the day and beginning after
    // it, each absent when there is none.
    std::optional<ExRatePeriod> before;
    std::optional<ExRatePeriod> after;
    // With NotAudited and None: why no rate is given, in the session's language.
    std::string message;
};

// The days of a range without a valid rate for one currency.
struct ExRateCoverage {
    int32_t currencyId = 0;
    std::string currencyNumber;
    std::vector<DayRange> gaps;       // days no valid rate holds
    std::vector<DayRange> unaudited;  // days held only by a rate not yet audited
};

// HubBaseData.CExRateLookup: which rate is valid on a day, and the days without one.
// A rate is valid on each day of its period, both ends included, unless it is
// disabled. No rate that day is an answer, never a fallback to another rate. Reading
// needs no right: every posting in another currency asks. Refusals (a type or
// currency that does not exist, the home currency, a range ending before it begins)
// raise HostError(Refused) with a message in the session's language.
class TOLM_SDK_API IExRateLookup : public Object {
public:
    ~IExRateLookup() override;
    // The rate of type `lTypeID` for currency `lCurrencyID` valid on `dDate` (its time
    // of day is ignored). With `bAudited`, a valid rate that is not audited is
    // answered as NotAudited.
    virtual ExRateOnDay RateOnDay(const std::string& props, int32_t lTypeID, int32_t lCurrencyID, DateTime dDate,
                                  bool bAudited) = 0;
    // For each currency (their ids, each in the ledger's currency set; when empty,
    // every currency of that set but the home currency, by id) the days from `dFrom`
    // to `dTo`, both included, without a valid rate of the type, and those held only
    // by unaudited rates.
    virtual std::vector<ExRateCoverage> Coverage(const std::string& props, int32_t lTypeID, DateTime dFrom,
                                                 DateTime dTo, const std::vector<int32_t>& currencyIds) = 0;
};

// HubClassLookup.BaseClassLookUp: the host's class window.
class TOLM_SDK_API IClassLookup : public Object {
public:
    ~IClassLookup() override;
    virtual void SetClassTypeID(int32_t value) = 0;
    virtual void SetShowType(int16_t value) = 0;
    virtual void Show() = 0;
};

// An imported page of the transfer wizard's result ("Page1").
class TOLM_SDK_API IImportPage : public Object {
public:
    ~IImportPage() override;
    virtual int32_t RecordCount() const = 0;
};

// HubClassTransfer.Wizard: moves a class's data to and from spreadsheet files.
class TOLM_SDK_API ITransferWizard : public Object {
public:
    ~ITransferWizard() override;
    // True on success; on failure `messages` holds text lines that say why.
    virtual Variant Export(const std::string& props, int32_t classTypeId, int32_t classTypeIdTo, std::string& sOut,
                           const std::string& s5, int16_t n6, const std::string& s7, int16_t n8, std::string& path,
                           bool& bOut, int16_t n11, const std::string& s12, const std::string& s13,
                           std::shared_ptr<Collection>& messages) = 0;
    // A dictionary of imported pages ("Page1" is an IImportPage); `messages` gets a
    // line per problem.
    virtual Variant ImportFromData(const std::string& props, int16_t n2, std::string& path, const std::string& s4,
                                   const std::shared_ptr<Object>& o5, std::shared_ptr<Collection>& messages,
                                   int16_t n7, int16_t n8, int16_t n9, bool b10, const std::shared_ptr<Object>& o11,
                                   bool& bOut, bool b13) = 0;
};

// HubNotation.Notation: a modal window showing a long text.
class TOLM_SDK_API INotation : public Object {
public:
    ~INotation() override;
    virtual void SetText(const std::string& text) = 0;
    virtual void ShowDialog(const std::string& title = {}) = 0;
};

// HubHelpTool.ClsCHMHelp: shows a help topic.
class TOLM_SDK_API IHelpTool : public Object {
public:
    ~IHelpTool() override;
    virtual Variant ShowHELP(int32_t& topic, int16_t zero, std::string& s1, int32_t& n1, std::string& s2,
                             int32_t& n2) = 0;
};

// HubLangInfo.LangInfo: "chs", "cht" or "en".
class TOLM_SDK_API ILangInfo : public Object {
public:
    ~ILangInfo() override;
    virtual Variant CurrentLanguage() = 0;
};

// HubResLoader.Loader: translated strings, keyed by the Simplified-Chinese text.
class TOLM_SDK_API IResLoader : public Object {
public:
    ~IResLoader() override;
    virtual void SetResDirectory(const std::string& directory) = 0;
    virtual void SetResFileBaseName(const std::string& baseName) = 0;
    virtual void SetLanguageID(const std::string& languageCode) = 0;
    // Raises ObjectNotFound when the text has no translation.
    virtual std::string LoadString(const std::string& text) = 0;
};

// HubDlgRes.DlgResLoader: applies a language's fonts to a dialog.
class TOLM_SDK_API IDlgResLoader : public Object {
public:
    ~IDlgResLoader() override;
    virtual Variant SetFrmFont(Form& dialog, const std::string& languageCode, bool& flag) = 0;
};

// HubSession.SessionProps: shared properties of this process's login.
class TOLM_SDK_API ISessionProps : public Object {
public:
    ~ISessionProps() override;
    // "PropsString": entries key=value separated by ";".
    virtual Variant GetProperty(int32_t& processId, std::string& name) = 0;
};

// HubMessage.Publics: messages to the person at the screen.
class TOLM_SDK_API IMessageService : public Object {
public:
    ~IMessageService() override;
    virtual void ShowMessage(const std::string& text) = 0;
    // True when the person confirmed.
    virtual bool AskQuestion(const std::string& text, bool& flag) = 0;
    virtual void ReportError(const HostError& error, const VariantArray& values) = 0;
    // Selects the whole text of a text box (called when it gets the focus).
    virtual void SelectAllText(FormControl& textBox) = 0;
};

}  // namespace tolm

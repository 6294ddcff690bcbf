#include "exrate_types/ex_rate_type_list_event.h"

#include "frame/help_topics.h"
#include "frame/language.h"
#include "frame/resources.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/registry.h"

namespace qel {
namespace {

// Image and text on the tool bar.
constexpr int32_t StyleImageAndText = 13;
// The class window's show type that lists the class's records.
constexpr int16_t ShowTypeList = 0;

}  // namespace

CExRateTypeListEvent::CExRateTypeListEvent() = default;

CExRateTypeListEvent::~CExRateTypeListEvent() {
    m_oEvents.Disconnect();
    m_BaseListInterface.reset();
}

void CExRateTypeListEvent::Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) {
    m_BaseListInterface = oBaseListInterface;
    m_oEvents.Connect(m_BaseListInterface, std::make_shared<BaseListSink<CExRateTypeListEvent>>(weak_from_this()));
}

void CExRateTypeListEvent::m_BaseListInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar) {
    auto& menuBar = tolm::Deref(oMenuBar);
    const std::shared_ptr<tolm::ITool> oTool = tolm::Deref(menuBar.Tools()).Add(RateSystemKey);
    const std::string sCaption = TranslateText("汇率体系");
    oTool->SetCaption(sCaption);
    oTool->SetToolTipText(sCaption);
    oTool->SetDescription(sCaption);
    oTool->SetStyle(StyleImageAndText);
    // The picture goes to the tool directly: the person's clipboard is not ours to
    // overwrite.
    oTool->SetPicture(0, LoadResPicture(PictureRateSystem), tolm::ToolImageMaskColor);
    oTool->SetVisible(true);
    oTool->SetEnabled(true);
    oTool->SetShowCaption(true);
    tolm::Deref(tolm::Deref(menuBar.Band("mnuData")).Tools()).Insert("mnuDataFind", oTool);
    tolm::Deref(tolm::Deref(menuBar.Band("BandToolBar")).Tools()).Insert("mnuDataFind", oTool);
}

void CExRateTypeListEvent::m_BaseListInterface_MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool,
                                                            bool& /*Cancel*/) {
    if (tolm::Deref(QELTool).Key() != RateSystemKey) return;
    {
        auto oLookup = tolm::CreateObject<tolm::IClassLookup>(tolm::classname::ClassLookup);
        oLookup->SetClassTypeID(tolm::ExchangeRateClassTypeId);
        oLookup->SetShowType(ShowTypeList);
        oLookup->Show();
    }
    tolm::Deref(m_BaseListInterface).Refresh();
}

void CExRateTypeListEvent::m_BaseListInterface_HelpHandler(int16_t, int16_t, int32_t& iHelpId, const std::string&,
                                                           const std::string&, int32_t, int32_t&) {
    iHelpId = help::TypeList;
}

}  // namespace qel

// Out-of-line destructors of the contract's interfaces: each one is the key
// function of its class, so the class's type information lives once, in the sdk
// library, and dynamic casts agree on both sides of the plug-in boundary.

#include "tolm/recordset.h"
#include "tolm/menu.h"
#include "tolm/windows.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/plugin_abi.h"

namespace tolm {

// recordset.h
IRecordset::~IRecordset() = default;
IDataAccess::~IDataAccess() = default;

// menu.h
ITool::~ITool() = default;
ITools::~ITools() = default;
IBand::~IBand() = default;
IMenuBar::~IMenuBar() = default;

// windows.h
IBaseListEvents::~IBaseListEvents() = default;
IBillEvents::~IBillEvents() = default;
IListEvents::~IListEvents() = default;
ITreeNode::~ITreeNode() = default;
IControl::~IControl() = default;
IListView::~IListView() = default;
ITable::~ITable() = default;
IRecordField::~IRecordField() = default;
IFieldControl::~IFieldControl() = default;
IBillParameter::~IBillParameter() = default;
IListFilter::~IListFilter() = default;
IWindow::~IWindow() = default;
IBaseListInterface::~IBaseListInterface() = default;
IBillInterface::~IBillInterface() = default;
IListInterface::~IListInterface() = default;

// components.h
ISecurityInfo::~ISecurityInfo() = default;
ISystemProfile::~ISystemProfile() = default;
ILogServer::~ILogServer() = default;
ILedgerProfile::~ILedgerProfile() = default;
ICurrencySet::~ICurrencySet() = default;
IGlData::~IGlData() = default;
IExRateUpdate::~IExRateUpdate() = default;
IExRateLookup::~IExRateLookup() = default;
IClassLookup::~IClassLookup() = default;
IImportPage::~IImportPage() = default;
ITransferWizard::~ITransferWizard() = default;
INotation::~INotation() = default;
IHelpTool::~IHelpTool() = default;
ILangInfo::~ILangInfo() = default;
IResLoader::~IResLoader() = default;
IDlgResLoader::~IDlgResLoader() = default;
ISessionProps::~ISessionProps() = default;
IMessageService::~IMessageService() = default;

// platform.h
IPlatform::~IPlatform() = default;

// plugin_abi.h
IClassFactory::~IClassFactory() = default;
IBaseListEventsClass::~IBaseListEventsClass() = default;
IBillEventClass::~IBillEventClass() = default;
IListEventsClass::~IListEventsClass() = default;
IExRateTypeClass::~IExRateTypeClass() = default;
// ---- event sinks: a handler a plug-in class does not override does nothing ---------

void IBaseListEvents::MenuBarInitialize(const std::shared_ptr<IMenuBar>&) {}
void IBaseListEvents::MenuBarClick(const std::shared_ptr<ITool>&, bool&) {}
void IBaseListEvents::AfterMenuBarClick(const std::shared_ptr<ITool>&, bool&) {}
void IBaseListEvents::HelpHandler(int16_t, int16_t, int32_t&, const std::string&, const std::string&, int32_t,
                                  int32_t&) {}
void IBaseListEvents::ListFillRow(int32_t, const std::shared_ptr<Dictionary>&, const std::shared_ptr<Dictionary>&,
                                  Variant&, int32_t, bool&) {}
void IBaseListEvents::RefreshList() {}
void IBaseListEvents::DeleteBillSucessful(const std::string&, int32_t) {}

void IBillEvents::MenuBarInitialize(const std::shared_ptr<IMenuBar>&) {}
void IBillEvents::HelpHandler(int16_t, int16_t, int32_t&, const std::string&, const std::string&, int32_t,
                              int32_t&) {}
void IBillEvents::AfterNewBill() {}
void IBillEvents::AfterLoadBill() {}
void IBillEvents::BeforeSave(bool&) {}
void IBillEvents::SaveBillSuccess(const std::shared_ptr<Dictionary>&) {}

void IListEvents::MenuBarInitialize(const std::shared_ptr<IMenuBar>&) {}
void IListEvents::MenuBarClick(const std::shared_ptr<ITool>&, bool&) {}
void IListEvents::HelpHandler(int16_t, int16_t, int32_t&, const std::string&, const std::string&, int32_t,
                              int32_t&) {}

}  // namespace tolm

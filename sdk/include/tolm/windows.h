// The host's windows as the plug-in sees them, and the events they raise.
//
// A plug-in class receives a window in Show, connects an event sink with Advise and
// disconnects it with Unadvise (or simply by releasing the sink: windows hold sinks
// weakly). Event arguments marked "out" are references the handler may write.
//
// The contract (sdk/) is the only thing the plug-in and the host share: the plug-in
// depends on it alone, and the host implements it in its windows layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tolm/export.h"
#include "tolm/host_library.h"
#include "tolm/menu.h"
#include "tolm/object.h"
#include "tolm/recordset.h"
#include "tolm/variant.h"

namespace tolm {

// ---- events ----------------------------------------------------------------------

// Events of the base list windows (the exchange-rate list and the type list).
// Every handler does nothing unless overridden.
class TOLM_SDK_API IBaseListEvents : public Object {
public:
    ~IBaseListEvents() override;
    virtual void MenuBarInitialize(const std::shared_ptr<IMenuBar>& oMenuBar);
    // Cancel (out): true stops the host's own handling of the command.
    virtual void MenuBarClick(const std::shared_ptr<ITool>& QELTool, bool& Cancel);
    virtual void AfterMenuBarClick(const std::shared_ptr<ITool>& QELTool, bool& Cancel);
    // iHelpId (out): the help topic; lGetPathMode (out).
    virtual void HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                             const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode);
    // HeadDict's "FColName" names the cell's column; CellData (in/out) is the cell
    // text; ContinueRaise (out).
    virtual void ListFillRow(int32_t lRow, const std::shared_ptr<Dictionary>& RowData,
                             const std::shared_ptr<Dictionary>& HeadDict, Variant& CellData, int32_t BackColor,
                             bool& ContinueRaise);
    virtual void RefreshList();
    virtual void DeleteBillSucessful(const std::string& sNumber, int32_t lInterID);
};

// Events of the bill (single-record editor) window.
class TOLM_SDK_API IBillEvents : public Object {
public:
    ~IBillEvents() override;
    virtual void MenuBarInitialize(const std::shared_ptr<IMenuBar>& oMenuBar);
    virtual void HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                             const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode);
    virtual void AfterNewBill();
    virtual void AfterLoadBill();
    // bCancel (out): true refuses the save.
    virtual void BeforeSave(bool& bCancel);
    // dctData: the saved values by field key, "FID" among them.
    virtual void SaveBillSuccess(const std::shared_ptr<Dictionary>& dctData);
};

// Events of the plain list windows (the operation log).
class TOLM_SDK_API IListEvents : public Object {
public:
    ~IListEvents() override;
    virtual void MenuBarInitialize(const std::shared_ptr<IMenuBar>& oMenuBar);
    virtual void MenuBarClick(const std::shared_ptr<ITool>& QELTool, bool& Cancel);
    virtual void HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                             const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode);
};

// ---- pieces of windows -----------------------------------------------------------

// A node of a tree control.
class TOLM_SDK_API ITreeNode : public Object {
public:
    ~ITreeNode() override;
    virtual std::string Text() const = 0;
    virtual std::string Key() const = 0;
};

// A control of a window, as far as the plug-in looks at it.
class TOLM_SDK_API IControl : public Object {
public:
    ~IControl() override;
    // The control's type name: "TreeView" for the class-group tree, "ListView" for
    // the record list.
    virtual std::string TypeName() const = 0;
    // The selected node of a tree; nullptr when nothing is selected. Raises
    // NotSupported for controls that have no nodes.
    virtual std::shared_ptr<ITreeNode> SelectedItem() const = 0;
};

// The view object of a base list.
class TOLM_SDK_API IListView : public Object {
public:
    ~IListView() override;
    // Reloads the tree of class groups (exchange-rate types).
    virtual void RefreshClassGroups(bool bKeepSelection) = 0;
    // The extra condition of the list query; its "FFilter" entry is SQL text that
    // the host adds to the WHERE clause. Takes effect at the next list refresh.
    virtual void SetExternalCondition(const std::shared_ptr<Dictionary>& condition) = 0;
    virtual std::shared_ptr<Dictionary> ExternalCondition() const = 0;
};

// The table object of a base list.
class TOLM_SDK_API ITable : public Object {
public:
    ~ITable() override;
    // "Map": a dictionary from column name ("FNumber", "FChkUserID", ...) to the field
    // key under which records hold that column. Other names raise ObjectNotFound.
    virtual std::shared_ptr<Dictionary> TableInfo(const std::string& name) const = 0;
};

// A field object of a selected record's page: GetValue("FFLD", default) is the value.
class TOLM_SDK_API IRecordField : public Object {
public:
    ~IRecordField() override;
    virtual Variant GetValue(const std::string& name, const Variant& defaultValue) const = 0;
};

// The control of a bill head field.
class TOLM_SDK_API IFieldControl : public Object {
public:
    ~IFieldControl() override;
    virtual std::string FieldKey() const = 0;
    virtual bool Locked() const = 0;
    virtual int32_t Decimals() const = 0;
};

// The parameter object of a bill: what it was opened with.
class TOLM_SDK_API IBillParameter : public Object {
public:
    ~IBillParameter() override;
    // Filter("FilterString"): the filter text of the list the bill was opened from.
    virtual Variant Filter(const std::string& name) const = 0;
};

// The filter object of a plain list.
class TOLM_SDK_API IListFilter : public Object {
public:
    ~IListFilter() override;
    // A dictionary answering "FilterString", "IsQuickFilter" (1 when a quick filter
    // is active) and "QuickFilterString".
    virtual std::shared_ptr<Dictionary> Filter() const = 0;
};

// ---- window roles ------------------------------------------------------------------

// What every window yields.
class TOLM_SDK_API IWindow : public Object {
public:
    ~IWindow() override;
    virtual std::shared_ptr<IDataAccess> DataAccess() const = 0;
    virtual std::shared_ptr<IMenuBar> MenuBar() const = 0;
};

// A base list: a tree of class groups (types) and the records of the selected group.
class TOLM_SDK_API IBaseListInterface : public IWindow {
public:
    ~IBaseListInterface() override;
    // Connects a sink; returns a cookie for Unadvise. The window holds it weakly.
    virtual int32_t Advise(const std::shared_ptr<IBaseListEvents>& sink) = 0;
    virtual void Unadvise(int32_t cookie) = 0;

    // The display option: show the class-group tree beside the records.
    virtual bool ShowClassGroups() const = 0;
    virtual void SetShowClassGroups(bool value) = 0;
    // The ORDER BY text of the list query.
    virtual std::string SortText() const = 0;
    virtual void SetSortText(const std::string& text) = 0;
    // Reloads the records.
    virtual void RefreshList() = 0;
    // Reloads the whole window (tree and records).
    virtual void Refresh() = 0;
    // The id of the class group selected in the tree (0 when none).
    virtual int32_t SelectedClassId() const = 0;
    // The id of the current record (0 when none).
    virtual int32_t CurrentRecordId() const = 0;
    // The selected records: key = record id as decimal text, item = the record, a
    // dictionary of pages "Page1" (header fields) and "Page2" (entry fields), each a
    // dictionary from field key to an IRecordField.
    virtual std::shared_ptr<Dictionary> SelectedRecords() const = 0;
    // The control that has the focus.
    virtual std::shared_ptr<IControl> ActiveControl() const = 0;
    // The view code: 1 while the window lists class groups themselves.
    virtual int32_t ViewCode() const = 0;
    // True while the list shows the result of a find (all periods).
    virtual bool FindMode() const = 0;
    virtual std::shared_ptr<IListView> View() const = 0;
    virtual std::shared_ptr<ITable> Table() const = 0;
};

// A bill: the editor of one record.
class TOLM_SDK_API IBillInterface : public IWindow {
public:
    ~IBillInterface() override;
    virtual int32_t Advise(const std::shared_ptr<IBillEvents>& sink) = 0;
    virtual void Unadvise(int32_t cookie) = 0;

    // 1 new record, 2 modify.
    virtual int32_t Mode() const = 0;
    // A head field: lRow is 1; lKind 1 = the value, 3 = the display text. A field
    // nothing was entered in gives the empty text. Raises ObjectNotFound for an
    // unknown key.
    virtual Variant GetHeadValue(const std::string& sKey, int32_t lRow, int32_t lKind) const = 0;
    // Writes a head field's value; bFireChange runs the field's change handling.
    virtual Variant SetHeadValue(const std::string& sKey, const Variant& value, bool bFireChange) = 0;
    // The control of a head field. sPage and lIndex are passed on by reference.
    virtual std::shared_ptr<IFieldControl> GetControl(const std::string& sKey, std::string& sPage,
                                                      int32_t& lIndex) const = 0;
    virtual void LockControl(const std::shared_ptr<IFieldControl>& control, int32_t lRow, bool bLock) = 0;
    virtual Variant SetControlDecimals(const std::shared_ptr<IFieldControl>& control, int32_t lRow,
                                       int32_t lDecimals) = 0;
    // lPanel is 1: the main status text.
    virtual void SetStatusText(int32_t lPanel, const std::string& text) = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual std::shared_ptr<IBillParameter> Parameter() const = 0;
};

// A plain list (the operation log).
class TOLM_SDK_API IListInterface : public IWindow {
public:
    ~IListInterface() override;
    virtual int32_t Advise(const std::shared_ptr<IListEvents>& sink) = 0;
    virtual void Unadvise(int32_t cookie) = 0;

    virtual std::string SortText() const = 0;
    virtual void SetSortText(const std::string& text) = 0;
    // Reloads the list (lMode 0; bKeepPosition true keeps the current row).
    virtual void Refresh(int32_t lMode, bool bKeepPosition) = 0;
    // The rows the list shows; nullptr before the first load.
    virtual std::shared_ptr<IRecordset> CurrentRecordset() const = 0;
    virtual std::shared_ptr<IListFilter> FilterObject() const = 0;
};

}  // namespace tolm

// Event sinks that route a window's events to the handlers of the class attached to
// it. A class names its handlers after the member holding the window and the event
// (m_BaseListInterface_MenuBarClick, ...); events it has no handler for are ignored.
//
// A sink holds its class weakly: an event that arrives after the class was released
// (another handler of the same event closed the window, say) goes nowhere, and a
// handler that leads to its own class's release finishes on a live object.
#pragma once

#include <memory>
#include <string>

#include "tolm/windows.h"

namespace qel {

template <class Owner>
class BaseListSink final : public tolm::IBaseListEvents {
public:
    explicit BaseListSink(std::weak_ptr<Owner> owner) : m_owner(std::move(owner)) {}
    bool Attached() const { return !m_owner.expired(); }

    void MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar) override {
        if constexpr (requires(Owner & owner) { owner.m_BaseListInterface_MenuBarInitialize(oMenuBar); }) {
            if (auto owner = m_owner.lock()) owner->m_BaseListInterface_MenuBarInitialize(oMenuBar);
        }
    }
    void MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel) override {
        if constexpr (requires(Owner & owner) { owner.m_BaseListInterface_MenuBarClick(QELTool, Cancel); }) {
            if (auto owner = m_owner.lock()) owner->m_BaseListInterface_MenuBarClick(QELTool, Cancel);
        }
    }
    void AfterMenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel) override {
        if constexpr (requires(Owner & owner) { owner.m_BaseListInterface_AfterMenuBarClick(QELTool, Cancel); }) {
            if (auto owner = m_owner.lock()) owner->m_BaseListInterface_AfterMenuBarClick(QELTool, Cancel);
        }
    }
    void HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                     const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode) override {
        if constexpr (requires(Owner & owner) {
                          owner.m_BaseListInterface_HelpHandler(KeyCode, Shift, iHelpId, sSubSystem, sBillClassTypeId,
                                                                lShowMode, lGetPathMode);
                      }) {
            if (auto owner = m_owner.lock())
                owner->m_BaseListInterface_HelpHandler(KeyCode, Shift, iHelpId, sSubSystem, sBillClassTypeId, lShowMode,
                                                       lGetPathMode);
        }
    }
    void ListFillRow(int32_t lRow, const std::shared_ptr<tolm::Dictionary>& RowData,
                     const std::shared_ptr<tolm::Dictionary>& HeadDict, tolm::Variant& CellData, int32_t BackColor,
                     bool& ContinueRaise) override {
        if constexpr (requires(Owner & owner) {
                          owner.m_BaseListInterface_ListFillRow(lRow, RowData, HeadDict, CellData, BackColor,
                                                                ContinueRaise);
                      }) {
            if (auto owner = m_owner.lock())
                owner->m_BaseListInterface_ListFillRow(lRow, RowData, HeadDict, CellData, BackColor, ContinueRaise);
        }
    }
    void RefreshList() override {
        if constexpr (requires(Owner & owner) { owner.m_BaseListInterface_RefreshList(); }) {
            if (auto owner = m_owner.lock()) owner->m_BaseListInterface_RefreshList();
        }
    }
    void DeleteBillSucessful(const std::string& sNumber, int32_t lInterID) override {
        if constexpr (requires(Owner & owner) { owner.m_BaseListInterface_DeleteBillSucessful(sNumber, lInterID); }) {
            if (auto owner = m_owner.lock()) owner->m_BaseListInterface_DeleteBillSucessful(sNumber, lInterID);
        }
    }

private:
    std::weak_ptr<Owner> m_owner;
};

template <class Owner>
class BillSink final : public tolm::IBillEvents {
public:
    explicit BillSink(std::weak_ptr<Owner> owner) : m_owner(std::move(owner)) {}
    bool Attached() const { return !m_owner.expired(); }

    void MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar) override {
        if constexpr (requires(Owner & owner) { owner.m_BillInterface_MenuBarInitialize(oMenuBar); }) {
            if (auto owner = m_owner.lock()) owner->m_BillInterface_MenuBarInitialize(oMenuBar);
        }
    }
    void HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                     const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode) override {
        if constexpr (requires(Owner & owner) {
                          owner.m_BillInterface_HelpHandler(KeyCode, Shift, iHelpId, sSubSystem, sBillClassTypeId,
                                                            lShowMode, lGetPathMode);
                      }) {
            if (auto owner = m_owner.lock())
                owner->m_BillInterface_HelpHandler(KeyCode, Shift, iHelpId, sSubSystem, sBillClassTypeId, lShowMode,
                                                   lGetPathMode);
        }
    }
    void AfterNewBill() override {
        if constexpr (requires(Owner & owner) { owner.m_BillInterface_AfterNewBill(); }) {
            if (auto owner = m_owner.lock()) owner->m_BillInterface_AfterNewBill();
        }
    }
    void AfterLoadBill() override {
        if constexpr (requires(Owner & owner) { owner.m_BillInterface_AfterLoadBill(); }) {
            if (auto owner = m_owner.lock()) owner->m_BillInterface_AfterLoadBill();
        }
    }
    void BeforeSave(bool& bCancel) override {
        if constexpr (requires(Owner & owner) { owner.m_BillInterface_BeforeSave(bCancel); }) {
            if (auto owner = m_owner.lock()) owner->m_BillInterface_BeforeSave(bCancel);
        }
    }
    void SaveBillSuccess(const std::shared_ptr<tolm::Dictionary>& dctData) override {
        if constexpr (requires(Owner & owner) { owner.m_BillInterface_SaveBillSuccess(dctData); }) {
            if (auto owner = m_owner.lock()) owner->m_BillInterface_SaveBillSuccess(dctData);
        }
    }

private:
    std::weak_ptr<Owner> m_owner;
};

template <class Owner>
class ListSink final : public tolm::IListEvents {
public:
    explicit ListSink(std::weak_ptr<Owner> owner) : m_owner(std::move(owner)) {}
    bool Attached() const { return !m_owner.expired(); }

    void MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar) override {
        if constexpr (requires(Owner & owner) { owner.m_ListInterface_MenuBarInitialize(oMenuBar); }) {
            if (auto owner = m_owner.lock()) owner->m_ListInterface_MenuBarInitialize(oMenuBar);
        }
    }
    void MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel) override {
        if constexpr (requires(Owner & owner) { owner.m_ListInterface_MenuBarClick(QELTool, Cancel); }) {
            if (auto owner = m_owner.lock()) owner->m_ListInterface_MenuBarClick(QELTool, Cancel);
        }
    }
    void HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                     const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode) override {
        if constexpr (requires(Owner & owner) {
                          owner.m_ListInterface_HelpHandler(KeyCode, Shift, iHelpId, sSubSystem, sBillClassTypeId,
                                                            lShowMode, lGetPathMode);
                      }) {
            if (auto owner = m_owner.lock())
                owner->m_ListInterface_HelpHandler(KeyCode, Shift, iHelpId, sSubSystem, sBillClassTypeId, lShowMode,
                                                   lGetPathMode);
        }
    }

private:
    std::weak_ptr<Owner> m_owner;
};

// The connection of one sink to one window: connected in Show, disconnected when the
// attached class is destroyed.
template <class Window, class Sink>
class EventConnection {
public:
    EventConnection() = default;
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;
    ~EventConnection() { Disconnect(); }

    // The class must be owned by a shared_ptr, so its sink can hold it weakly.
    void Connect(const std::shared_ptr<Window>& window, std::shared_ptr<Sink> sink) {
        if (!sink || !sink->Attached()) {
            throw tolm::HostError(tolm::err::ObjectNotSet, "An event sink needs a class held by a shared reference");
        }
        Disconnect();
        m_sink = std::move(sink);
        m_lCookie = tolm::Deref(window).Advise(m_sink);
        m_window = window;
    }

    void Disconnect() {
        if (auto window = m_window.lock()) {
            tolm::OnErrorSilent([&] { window->Unadvise(m_lCookie); });
        }
        m_window.reset();
        m_sink.reset();
    }

private:
    std::weak_ptr<Window> m_window;
    std::shared_ptr<Sink> m_sink;
    int32_t m_lCookie = 0;
};

}  // namespace qel

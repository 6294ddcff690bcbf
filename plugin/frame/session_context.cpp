#include "frame/session_context.h"

#include <memory>

#include "frame/language.h"
#include "frame/module_state.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "tolm/text.h"

namespace qel {
tolm::Variant GetSharedProperty(const std::string& sName) {
    return tolm::Propagate([&] {
        int32_t lProcessId = tolm::Platform()->CurrentProcessId();
        auto oProps = tolm::CreateObject<tolm::ISessionProps>(tolm::classname::SessionProps);
        std::string sPropertyName = sName;
        tolm::Variant vAnswer = oProps->GetProperty(lProcessId, sPropertyName);
        if (sName == "PropsString" && tolm::text::AsciiUpper(vAnswer.ToText()).find("LANGUAGE") == std::string::npos) {
            static constexpr const char* Codes[] = {"", "chs", "en", "cht"};
            vAnswer = vAnswer.ToText() + ";Language=" + Codes[DetectLanguageId()];
        }
        return vAnswer;
    });
}

std::string GetPropsString() { return GetSharedProperty("PropsString").ToText(); }

std::string GetPropsValue(const std::string& sText, const std::string& sKey, const std::string& sSeparator) {
    std::string sResult;
    tolm::OnErrorSilent([&] {
        if (sSeparator.empty()) return;
        std::string sFull = sText;
        if (sFull.size() < sSeparator.size() ||
            sFull.compare(sFull.size() - sSeparator.size(), sSeparator.size(), sSeparator) != 0) {
            sFull += sSeparator;
        }
        // A key counts only as a whole entry key: asked for "IP", an entry "ServerIP"
        // must not answer.
        const std::string sUpperText = tolm::text::AsciiUpper(sFull);
        const std::string sWanted = tolm::text::AsciiUpper(sKey) + "=";
        size_t lPos = 0;
        while ((lPos = sUpperText.find(sWanted, lPos)) != std::string::npos) {
            const bool bAtEntryStart =
                lPos == 0 || (lPos >= sSeparator.size() &&
                              sFull.compare(lPos - sSeparator.size(), sSeparator.size(), sSeparator) == 0);
            if (bAtEntryStart) {
                const size_t lValueStart = lPos + sWanted.size();
                const size_t lValueEnd = sFull.find(sSeparator, lValueStart);
                sResult = sFull.substr(lValueStart, lValueEnd - lValueStart);
                return;
            }
            ++lPos;
        }
    });
    return sResult;
}

bool WriteOperationLog(const std::string& sOperationKey, int32_t lOperationKind, const std::string& sDescription,
                       const std::string& sMachineName, const std::string& sAddress) {
    bool bResult = false;
    std::shared_ptr<tolm::ILogServer> oLogServer;
    std::string sMachine = sMachineName;
    std::string sIP = sAddress;
    tolm::Step([&] { oLogServer = tolm::CreateObject<tolm::ILogServer>(tolm::classname::LogServer); });
    if (sMachine.empty() || sIP.empty()) {
        tolm::Step([&] { sMachine = GetPropsValue(GetPropsString(), "MachineName", ";"); });
        tolm::Step([&] { sIP = GetPropsValue(GetPropsString(), "IP", ";"); });
    }
    tolm::Step([&] {
        if (!oLogServer) return;
        int32_t lKind = lOperationKind;
        bResult = oLogServer->WriteLog(GetPropsString(), sOperationKey, lKind, sDescription, sMachine, sIP).ToBool();
    });
    return bResult;
}

WaitCursor::WaitCursor() : m_state(State()) {
    if (++m_state->lWaitCursors == 1) {
        tolm::Step([] { tolm::Platform()->SetMousePointer(tolm::PointerHourglass); });
    }
}

WaitCursor::~WaitCursor() {
    if (--m_state->lWaitCursors == 0) {
        tolm::Step([] { tolm::Platform()->SetMousePointer(tolm::PointerDefault); });
    }
}

int32_t WaitCursor::Count() { return State()->lWaitCursors; }

}  // namespace qel

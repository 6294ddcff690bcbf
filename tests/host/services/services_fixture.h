// A logged-in host on a fresh demonstration company in memory, with the services
// registered and a headless screen that records every message box.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/runtime.h"
#include "db/database.h"
#include "model/company_setup.h"
#include "support/test_runtime.h"
#include "platform/headless_platform.h"
#include "services/services.h"
#include "services/session.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"

namespace hub::test {

class ServicesTest : public ::testing::Test {
protected:
    ServicesTest() {
        m_db = OpenDatabase(":memory:");
        InitCompany(*m_db, true);
        m_platform = std::make_shared<HeadlessPlatform>();
        m_platform->SetTerminal(Terminal{&m_in, &m_out, false});
        m_runtime = std::make_unique<Runtime>(TestRuntimeOptions(m_platform));
    }

    // Logs the user in and registers the services for that login.
    std::shared_ptr<Session> LogIn(const std::string& user, const std::string& language = "chs") {
        m_session = m_runtime->LogIn(m_db, user, language);
        return m_session;
    }

    std::string Props() const { return m_session->PropsString(); }

    int32_t UserId(const std::string& name) const {
        auto rows = m_db->Query("SELECT FUserID FROM t_User WHERE FName = ?1", {tolm::Variant(name)});
        return rows->IsEOF() ? 0 : rows->Field("FUserID").ToLong();
    }

    // A user without any right of their own, whom this test's account may act as.
    int32_t AddUser(const std::string& name, bool admin = false) {
        m_db->Execute("INSERT INTO t_User (FName, FIsAdmin, FOsAccount) VALUES (?1, ?2, ?3)",
                      {tolm::Variant(name), tolm::Variant(admin ? 1 : 0), tolm::Variant(CurrentOsAccount())});
        return UserId(name);
    }

    // Replaces the user's rights mask on a subsystem's object 0.
    void SetRights(const std::string& user, int32_t subsystem, int32_t mask) {
        m_db->Execute(
            "INSERT INTO t_UserRight (FUserID, FSubSystem, FObjectNumber, FRights) VALUES (?1, ?2, 0, ?3)"
            " ON CONFLICT (FUserID, FSubSystem, FObjectNumber) DO UPDATE SET FRights = excluded.FRights",
            {tolm::Variant(UserId(user)), tolm::Variant(subsystem), tolm::Variant(mask)});
    }

    // The value of one cell, or Empty when the query gives no row.
    tolm::Variant Scalar(const std::string& sql, const Params& params = {}) const {
        auto rows = m_db->Query(sql, params);
        return rows->IsEOF() ? tolm::Variant() : rows->Field(rows->Columns().front());
    }

    int32_t Count(const std::string& sql, const Params& params = {}) const { return Scalar(sql, params).ToLong(); }

    // The prompts of the message boxes shown so far.
    std::vector<std::string> Prompts() const {
        std::vector<std::string> prompts;
        for (const MessageBoxRecord& box : m_platform->MessageBoxes()) prompts.push_back(box.prompt);
        return prompts;
    }

    std::istringstream m_in;
    std::ostringstream m_out;
    std::shared_ptr<Database> m_db;
    std::shared_ptr<HeadlessPlatform> m_platform;
    std::unique_ptr<Runtime> m_runtime;
    std::shared_ptr<Session> m_session;
};

}  // namespace hub::test

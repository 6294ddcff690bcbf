// A person's act is stored whole or not at all, and says what became of it.
#include <string>
#include <vector>

#include "services/services_fixture.h"
#include "base/host_module.h"
#include "services/unit_of_work.h"
#include "tolm/host_error.h"

namespace {

using hub::Outcome;

class UnitOfWork : public hub::test::ServicesTest {
protected:
    void SetUp() override {
        ServicesTest::SetUp();
        LogIn("administrator");
        m_db->Execute("CREATE TABLE zz_note (v INTEGER)");
    }
    void Write(int value) const { m_db->Execute("INSERT INTO zz_note VALUES (?1)", {tolm::Variant(value)}); }
    std::vector<int> Stored() const {
        std::vector<int> values;
        for (auto rows = m_db->Query("SELECT v FROM zz_note ORDER BY v"); !rows->IsEOF(); rows->MoveNext()) {
            values.push_back(rows->Field("v").ToLong());
        }
        return values;
    }
    Outcome Run(const std::function<bool()>& act) const { return hub::RunUnitOfWork(*m_session, act, "unfinished"); }
    // What the person reads: now, or once the unit running has been stored.
    void Say(const std::string& text) {
        if (!hub::DeferUntilStored([this, text] { m_shown.push_back(text); })) m_shown.push_back(text);
    }

    std::vector<std::string> m_shown;
};

TEST_F(UnitOfWork, AnActInsideAnotherIsStoredOnItsOwnOnlyUntilTheOuterOneWrites) {
    const Outcome outer = Run([&]() -> bool {
        // A dialog's save inside the command that opened it, before the command wrote.
        EXPECT_EQ(Run([&] { Write(1); return true; }).kind, Outcome::Kind::Done);
        Write(2);
        Run([&] { Write(3); return true; });
        throw tolm::HostError(tolm::err::Refused, "stopped", "test");
    });
    EXPECT_EQ(outer.kind, Outcome::Kind::Refused);
    EXPECT_EQ(outer.reason, "stopped");
    EXPECT_FALSE(outer.told) << "the caller tells what the act raised";
    EXPECT_EQ(Stored(), std::vector<int>{1});
}

TEST_F(UnitOfWork, WhatThePersonReadsWaitsForTheStoreAndGoesWithAFailure) {
    const Outcome done = Run([&] {
        Say("asked first");
        Write(1);
        Say("saved");
        EXPECT_EQ(m_shown, std::vector<std::string>{"asked first"});
        return true;
    });
    EXPECT_EQ(done.kind, Outcome::Kind::Done);
    EXPECT_EQ(m_shown, (std::vector<std::string>{"asked first", "saved"}));

    m_shown.clear();
    const Outcome failed = Run([&] {
        Write(2);
        Say("saved");
        // A log record the plug-in could not write, and trapped.
        m_session->NoteWriteFailure(tolm::HostError(tolm::err::Database, "no room", "test"));
        return true;
    });
    EXPECT_EQ(failed.kind, Outcome::Kind::Failed);
    EXPECT_EQ(failed.reason, "unfinished");
    EXPECT_TRUE(m_shown.empty());
    EXPECT_EQ(Stored(), std::vector<int>{1});
}

TEST_F(UnitOfWork, ARefusalAServiceNotedUndoesTheActAndANoIsNoFailure) {
    const Outcome refused = Run([&] {
        Write(5);
        Say("you may not");
        hub::RefuseUnit("you may not", true);
        return true;
    });
    EXPECT_EQ(refused.kind, Outcome::Kind::Refused);
    EXPECT_TRUE(refused.told);
    EXPECT_EQ(m_shown, std::vector<std::string>{"you may not"}) << "the refusal is shown, not dropped";
    EXPECT_TRUE(Stored().empty());

    const Outcome declined = Run([] {
        hub::NoteDeclined();
        return false;
    });
    EXPECT_EQ(declined.kind, Outcome::Kind::Unchanged);
    EXPECT_EQ(declined.ExitStatus(), 0);
    EXPECT_EQ(Run([] { return false; }).ExitStatus(), 1) << "cancelled without a No: the one who cancelled said why";
}

// A module the installation lacks is told in the session's words, without the
// loader's English; an error of another source keeps its description.
TEST_F(UnitOfWork, AMissingModuleIsToldInTheSessionLanguage) {
    const std::string loaderWords = "libtolm_formats.so: cannot open shared object file";
    for (const char* part : {".Server", ".Formats", ".Passwords", ".Other"}) {
        const Outcome outcome = Run([&]() -> bool {
            throw tolm::HostError(tolm::err::FileNotFound, loaderWords, std::string(hub::MissingModuleSource) + part);
        });
        EXPECT_EQ(outcome.kind, Outcome::Kind::Failed) << part;
        const bool known = std::string_view(part) != ".Other";
        EXPECT_EQ(outcome.reason.find("libtolm") == std::string::npos, known) << part << ": " << outcome.reason;
        if (known) {
            EXPECT_NE(outcome.reason.find("本程序的安装"), std::string::npos) << outcome.reason;
        }
    }
}

}  // namespace

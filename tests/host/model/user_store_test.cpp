// The host's rights test, against masks as other programs may have stored them.
#include <gtest/gtest.h>

#include "model/company_setup.h"
#include "model/user_store.h"

namespace hub {
namespace {

using tolm::Variant;

class UserRightsTest : public ::testing::Test {
protected:
    UserRightsTest() {
        m_db = OpenDatabase(":memory:");
        InitCompany(*m_db, false);
        m_db->Execute("INSERT INTO t_User (FName) VALUES ('clerk')");
        m_clerk = m_db->Query("SELECT FUserID FROM t_User WHERE FName = 'clerk'")->Field("FUserID").ToLong();
    }

    // Stores the mask exactly as given (a literal, so no conversion on the way).
    void StoreMask(const std::string& literal) {
        m_db->Execute("DELETE FROM t_UserRight WHERE FUserID = ?1", {Variant(m_clerk)});
        m_db->Execute(
            "INSERT INTO t_UserRight (FUserID, FSubSystem, FObjectNumber, FRights) VALUES (?1, ?2, 0, " + literal + ")",
            {Variant(m_clerk), Variant(rights::BaseDataSubsystem)});
    }

    bool Holds(int32_t mask) { return UserHasRight(*m_db, m_clerk, rights::BaseDataSubsystem, 0, mask); }

    std::shared_ptr<Database> m_db;
    int32_t m_clerk = 0;
};

constexpr int32_t Bit31 = static_cast<int32_t>(0x80000000u);

TEST_F(UserRightsTest, MasksWithTheTopBitsSetAreReadWhole) {
    StoreMask("4294967295");
    EXPECT_TRUE(Holds(rights::View));
    EXPECT_TRUE(Holds(rights::Import));
    EXPECT_TRUE(Holds(Bit31));

    // The same 32 bits written as a signed number.
    StoreMask("-1");
    EXPECT_TRUE(Holds(rights::Audit));
    EXPECT_TRUE(Holds(Bit31));

    StoreMask("2147483647");
    EXPECT_TRUE(Holds(rights::ReverseAudit));
    EXPECT_FALSE(Holds(Bit31));

    StoreMask("2147483648");
    EXPECT_TRUE(Holds(Bit31));
    EXPECT_FALSE(Holds(rights::View));

    // Beyond the 53 bits a double keeps exactly: bit 0 would be lost on the way.
    StoreMask("9007199254740993");
    EXPECT_TRUE(Holds(rights::View));
}

TEST_F(UserRightsTest, EveryBitAskedMustBeHeld) {
    StoreMask(std::to_string(rights::View | rights::Audit));
    EXPECT_TRUE(Holds(rights::View | rights::Audit));
    EXPECT_FALSE(Holds(rights::View | rights::ReverseAudit)) << "one bit of two is not enough";
    EXPECT_FALSE(Holds(0)) << "a mask asking nothing grants nothing";

    StoreMask("'damaged'");
    EXPECT_FALSE(Holds(rights::View));
}

TEST_F(UserRightsTest, AdministratorsHoldEverythingAndForbiddenUsersNothing) {
    EXPECT_FALSE(Holds(rights::View)) << "no row, no right";
    m_db->Execute("UPDATE t_User SET FIsAdmin = 1 WHERE FUserID = ?1", {Variant(m_clerk)});
    EXPECT_TRUE(Holds(rights::Delete));
    EXPECT_TRUE(UserIsAdministrator(*m_db, m_clerk));

    m_db->Execute("UPDATE t_User SET FForbidden = 1 WHERE FUserID = ?1", {Variant(m_clerk)});
    EXPECT_FALSE(Holds(rights::View));
    EXPECT_FALSE(UserIsAdministrator(*m_db, m_clerk));
    EXPECT_FALSE(UserHasRight(*m_db, 999999, rights::BaseDataSubsystem, 0, rights::View));
}

TEST_F(UserRightsTest, GrantedBitsAddUpAndBit31IsStoredUnsigned) {
    GrantRight(*m_db, m_clerk, rights::BaseDataSubsystem, 0, rights::View);
    GrantRight(*m_db, m_clerk, rights::BaseDataSubsystem, 0, Bit31);
    EXPECT_TRUE(Holds(rights::View | Bit31));
    EXPECT_FALSE(Holds(rights::New));
    EXPECT_EQ(m_db->Query("SELECT CAST(FRights AS TEXT) AS r FROM t_UserRight WHERE FUserID = ?1", {Variant(m_clerk)})
                  ->Field("r")
                  .ToText(),
              "2147483649");
}

}  // namespace
}  // namespace hub

// Rights and stored options: what each kind of user may do, and what is stored.
#include "model/user_store.h"
#include "services/services_fixture.h"
#include "tolm/host_error.h"

namespace {

using hub::test::ServicesTest;
namespace rights = hub::rights;

class SecurityInfoTest : public ServicesTest {
protected:
    bool Check(int32_t subsystem, int32_t bit, bool showMessage = false, const std::string& extra = {}) {
        return tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo)
            ->AccessCheck(Props(), subsystem, 0, bit, showMessage, extra);
    }
};

TEST_F(SecurityInfoTest, AdministratorHoldsEveryRightWithoutRows) {
    LogIn("administrator");
    ASSERT_EQ(Count("SELECT COUNT(*) FROM t_UserRight WHERE FUserID = ?1", {tolm::Variant(UserId("administrator"))}),
              0);
    for (int32_t bit : {rights::View, rights::Delete, rights::ReverseAudit, rights::Import}) {
        EXPECT_TRUE(Check(rights::BaseDataSubsystem, bit)) << bit;
    }
    EXPECT_TRUE(Check(rights::LogSubsystem, rights::LogDelete));
    EXPECT_TRUE(tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo)->IsAdministrator(Props()));
}

TEST_F(SecurityInfoTest, ClerkAndAccountantHoldExactlyTheirBits) {
    SetRights("clerk", rights::BaseDataSubsystem, rights::View);
    SetRights("accountant", rights::BaseDataSubsystem, rights::View | rights::New | rights::Audit | rights::Export);

    LogIn("clerk");
    EXPECT_TRUE(Check(rights::BaseDataSubsystem, rights::View));
    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::New));
    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::Export));
    EXPECT_FALSE(Check(rights::LogSubsystem, rights::LogView)) << "rights of one subsystem say nothing of another";
    EXPECT_FALSE(tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo)->IsAdministrator(Props()));

    LogIn("accountant");
    EXPECT_TRUE(Check(rights::BaseDataSubsystem, rights::Audit));
    EXPECT_TRUE(Check(rights::BaseDataSubsystem, rights::Export));
    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::ReverseAudit));
    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::Import));
}

// Masks written by other tools may have every bit set, which is beyond what a
// 32-bit signed number holds; and several bits asked at once must all be held,
// as every other rights check of the host reads them.
TEST_F(SecurityInfoTest, RightsAreReadAsTheOtherRightsChecksReadThem) {
    m_db->Execute(
        "INSERT INTO t_UserRight (FUserID, FSubSystem, FObjectNumber, FRights) VALUES (?1, ?2, 0, 4294967295)",
        {tolm::Variant(UserId("clerk")), tolm::Variant(rights::LogSubsystem)});
    SetRights("clerk", rights::BaseDataSubsystem, rights::View);
    LogIn("clerk");

    EXPECT_TRUE(Check(rights::LogSubsystem, rights::LogDelete));
    EXPECT_TRUE(Check(rights::LogSubsystem, static_cast<int32_t>(0x80000000u)));
    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::View | rights::Audit)) << "one of two bits is not both";
}

TEST_F(SecurityInfoTest, RefusalIsToldOnlyWhenAskedAndInTheUsersLanguage) {
    SetRights("clerk", rights::BaseDataSubsystem, rights::View);
    LogIn("clerk", "en");

    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::Import, false));
    EXPECT_TRUE(m_platform->MessageBoxes().empty());

    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::Import, true));
    EXPECT_FALSE(Check(rights::LogSubsystem, rights::LogDelete, true, "Delete"));
    ASSERT_EQ(m_platform->MessageBoxes().size(), 2u);
    EXPECT_EQ(m_platform->MessageBoxes()[0].prompt, "Sorry, you do not hold the right to this function.");
    EXPECT_EQ(m_platform->MessageBoxes()[0].title, "Prompt");
    EXPECT_EQ(m_platform->MessageBoxes()[1].prompt, "Sorry, you do not have the \"Delete\" right.");

    EXPECT_TRUE(Check(rights::BaseDataSubsystem, rights::View, true));
    EXPECT_EQ(m_platform->MessageBoxes().size(), 2u) << "a granted right is not announced";
}

TEST_F(SecurityInfoTest, RightsFollowTheDatabaseDuringTheSession) {
    LogIn("clerk");
    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::New));
    SetRights("clerk", rights::BaseDataSubsystem, rights::New);
    EXPECT_TRUE(Check(rights::BaseDataSubsystem, rights::New));
    m_db->Execute("UPDATE t_User SET FForbidden = 1 WHERE FName = 'clerk'");
    EXPECT_FALSE(Check(rights::BaseDataSubsystem, rights::New)) << "a user forbidden meanwhile holds nothing";
}

TEST_F(SecurityInfoTest, PropsOfAnotherUserAreRefused) {
    LogIn("clerk");
    auto security = tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo);
    const std::string adminProps = "UserID=" + std::to_string(UserId("administrator")) + ";UserName=administrator;";
    EXPECT_THROW(security->AccessCheck(adminProps, rights::BaseDataSubsystem, 0, rights::Delete, false, ""),
                 tolm::HostError);
    EXPECT_THROW(security->IsAdministrator(adminProps), tolm::HostError);
}

TEST_F(SecurityInfoTest, SystemProfileStoresAndReadsOptions) {
    LogIn("administrator");
    auto profile = tolm::CreateObject<tolm::ISystemProfile>(tolm::classname::SystemProfile);

    EXPECT_TRUE(profile->GetProfile(Props(), "BaseData", "NoSuchKey").IsEmpty());
    profile->SetProfile(Props(), "BaseData", "CheckUser", tolm::Variant(1));
    const tolm::Variant stored = profile->GetProfile(Props(), "BaseData", "CheckUser");
    EXPECT_EQ(stored.Type(), tolm::VarType::Long);
    EXPECT_EQ(stored.ToLong(), 1);

    profile->SetProfile(Props(), "BaseData", "CheckUser", tolm::Variant(0));
    EXPECT_EQ(profile->GetProfile(Props(), "BaseData", "CheckUser"), tolm::Variant(0));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_SystemProfile WHERE FCategory = 'BaseData' AND FKey = 'CheckUser'"), 1);

    profile->SetProfile(Props(), "Demo", "Text", tolm::Variant("4.50"));
    EXPECT_EQ(profile->GetProfile(Props(), "Demo", "Text"), tolm::Variant("4.50"));
    profile->SetProfile(Props(), "Demo", "Flag", tolm::Variant(true));
    EXPECT_EQ(profile->GetProfile(Props(), "Demo", "Flag"), tolm::Variant(1));
    profile->SetProfile(Props(), "Demo", "Huge", tolm::Variant("99999999999"));
    EXPECT_EQ(profile->GetProfile(Props(), "Demo", "Huge"), tolm::Variant("99999999999"))
        << "text beyond 32 bits stays text";

    LogIn("clerk");
    auto clerks = tolm::CreateObject<tolm::ISystemProfile>(tolm::classname::SystemProfile);
    EXPECT_THROW(clerks->SetProfile(Props(), "BaseData", "CheckUser", tolm::Variant(1)), tolm::HostError);
    EXPECT_EQ(clerks->GetProfile(Props(), "BaseData", "CheckUser"), tolm::Variant(0)) << "only an administrator stores";
}

}  // namespace

// The headless platform: a script answers for the person, and the records show
// what the person would have seen.
#include "platform/headless_platform.h"

#include <unistd.h>

#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "driver/form_driver.h"
#include "tolm/host_error.h"

namespace {

using hub::HeadlessPlatform;
using hub::MessageBoxRecord;
using hub::QuestionPolicy;
using hub::Terminal;
namespace mb = tolm::mb;

constexpr int32_t ConfirmFlags = mb::YesNo | mb::Question;

class HeadlessPlatformTest : public ::testing::Test {
protected:
    HeadlessPlatformTest() {
        // Whatever the test runner's stdin is, no test may wait for it.
        m_platform.SetTerminal(Terminal{&m_in, &m_out, false});
    }

    std::istringstream m_in;
    std::ostringstream m_out;
    HeadlessPlatform m_platform;
};

TEST_F(HeadlessPlatformTest, ScriptedAnswersAreGivenInOrderAndEveryBoxIsRecorded) {
    m_platform.QueueAnswer(mb::IdYes);
    m_platform.QueueAnswer(mb::IdNo);

    EXPECT_EQ(m_platform.MessageBox("确定要删除吗？", ConfirmFlags, "Zelvo提示"), mb::IdYes);
    EXPECT_EQ(m_platform.MessageBox("已完成。", mb::OKOnly | mb::Information, "Zelvo提示"), mb::IdOK);
    EXPECT_EQ(m_platform.MessageBox("确定要审核吗？", ConfirmFlags, "Zelvo提示"), mb::IdNo);
    EXPECT_EQ(m_platform.PendingAnswers(), 0u) << "an OK-only box takes no answer from the script";

    const auto& boxes = m_platform.MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].prompt, "确定要删除吗？");
    EXPECT_EQ(boxes[0].title, "Zelvo提示");
    EXPECT_EQ(boxes[0].flags, ConfirmFlags);
    EXPECT_EQ(boxes[0].answer, mb::IdYes);
    EXPECT_EQ(boxes[0].origin, MessageBoxRecord::Origin::Script);
    EXPECT_EQ(boxes[1].origin, MessageBoxRecord::Origin::OnlyButton);
    EXPECT_EQ(boxes[2].prompt, "确定要审核吗？");
    EXPECT_EQ(boxes[2].answer, mb::IdNo);
}

TEST_F(HeadlessPlatformTest, AnswerThatIsNoButtonOfTheBoxIsAScriptErrorAndStaysQueued) {
    m_platform.QueueAnswer(mb::IdYes);
    try {
        m_platform.MessageBox("继续吗？", mb::OKCancel, "");
        FAIL() << "no error";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::InvalidProcedureCall);
    }
    EXPECT_EQ(m_platform.PendingAnswers(), 1u);
    EXPECT_TRUE(m_platform.MessageBoxes().empty());
}

TEST_F(HeadlessPlatformTest, WithoutAScriptQuestionsGetTheNegativeAnswerUnlessThePolicySaysYes) {
    EXPECT_EQ(m_platform.GetQuestionPolicy(), QuestionPolicy::No);
    EXPECT_EQ(m_platform.MessageBox("q", mb::YesNo, ""), mb::IdNo);
    EXPECT_EQ(m_platform.MessageBox("q", mb::OKCancel, ""), mb::IdCancel);
    EXPECT_EQ(m_platform.MessageBox("q", mb::YesNoCancel, ""), mb::IdNo);

    m_platform.SetQuestionPolicy(QuestionPolicy::Yes);
    EXPECT_EQ(m_platform.MessageBox("q", mb::YesNo | mb::DefaultButton2, ""), mb::IdYes);
    EXPECT_EQ(m_platform.MessageBox("q", mb::OKCancel, ""), mb::IdOK);
    EXPECT_EQ(m_platform.MessageBoxes().back().origin, MessageBoxRecord::Origin::Policy);
}

TEST_F(HeadlessPlatformTest, AskingWithoutATerminalAnswersNoAndReadsNothing) {
    m_in.str("y\n");
    m_platform.SetQuestionPolicy(QuestionPolicy::Ask);

    EXPECT_EQ(m_platform.MessageBox("确定要删除吗？", ConfirmFlags, "Zelvo提示"), mb::IdNo);
    EXPECT_EQ(m_in.tellg(), 0) << "nobody is there to answer";
    EXPECT_TRUE(m_out.str().empty());
}

TEST_F(HeadlessPlatformTest, AskingOnATerminalReadsThePersonsAnswer) {
    m_platform.SetTerminal(Terminal{&m_in, &m_out, true});
    m_platform.SetQuestionPolicy(QuestionPolicy::Ask);
    m_in.str("maybe\nY\n\nno\n");

    EXPECT_EQ(m_platform.MessageBox("确定要删除吗？", ConfirmFlags, "Zelvo提示"), mb::IdYes)
        << "an answer that is no button is asked again";
    EXPECT_NE(m_out.str().find("[Zelvo提示] 确定要删除吗？"), std::string::npos) << m_out.str();
    EXPECT_NE(m_out.str().find("(Y)es/(N)o"), std::string::npos) << m_out.str();
    EXPECT_EQ(m_platform.MessageBoxes().back().origin, MessageBoxRecord::Origin::Terminal);

    EXPECT_EQ(m_platform.MessageBox("q", mb::YesNo | mb::DefaultButton2, ""), mb::IdNo)
        << "Enter takes the default button";
    EXPECT_EQ(m_platform.MessageBox("q", mb::OKCancel, ""), mb::IdCancel) << "'no' is no button of OK/Cancel";

    m_in.clear();
    m_in.str("");
    EXPECT_EQ(m_platform.MessageBox("q", mb::YesNo, ""), mb::IdNo) << "end of input answers No";
}

TEST_F(HeadlessPlatformTest, FileDialogsTakeScriptedChoicesAndCancelWhenTheScriptRunsOut) {
    tolm::FileDialogOptions save;
    save.title = "引出汇率体系";
    save.filter = "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*";
    save.defaultExt = "xls";
    save.flags = tolm::fd::OverwritePrompt;
    m_platform.QueueFile("/data/rates");
    m_platform.QueueFile(std::nullopt);
    m_platform.QueueFile("/data/rates.txt");

    EXPECT_EQ(m_platform.PickFile(tolm::FileDialogKind::Save, save), "/data/rates.xls")
        << "a name without extension gets the default one";
    EXPECT_EQ(m_platform.PickFile(tolm::FileDialogKind::Open, save), std::nullopt);
    EXPECT_EQ(m_platform.PickFile(tolm::FileDialogKind::Open, save), "/data/rates.txt");
    EXPECT_EQ(m_platform.PickFile(tolm::FileDialogKind::Open, save), std::nullopt);

    const auto& dialogs = m_platform.FileDialogs();
    ASSERT_EQ(dialogs.size(), 4u);
    EXPECT_EQ(dialogs[0].kind, tolm::FileDialogKind::Save);
    EXPECT_EQ(dialogs[0].options.title, "引出汇率体系");
    EXPECT_EQ(dialogs[0].options.filter, save.filter);
    EXPECT_EQ(dialogs[0].answer, "/data/rates.xls");
    EXPECT_EQ(dialogs[1].answer, std::nullopt);
}

class TypeForm : public tolm::Form {
public:
    TypeForm() : tolm::Form("frmExRateTypeEdit") {
        AddControl("txtNumber", tolm::ControlKind::TextBox, {100, 100, 1500, 300}, 0);
        AddControl("cmdOK", tolm::ControlKind::Button, {100, 500, 1000, 400}, 1).Click = [this] {
            m_saved = Control("txtNumber").Text();
            Unload();
        };
        Load = [this] {
            SetCaption("新增汇率类型");
            m_events.push_back("Load");
        };
        Activate = [this] { m_events.push_back("Activate"); };
        Unloaded = [this] { m_events.push_back("Unloaded"); };
    }
    std::vector<std::string> m_events;
    std::string m_saved;
};

TEST_F(HeadlessPlatformTest, ModalFormsAreDrivenByTheScriptAndClosedWhenLeftOpen) {
    TypeForm saved;
    TypeForm leftOpen;
    TypeForm undriven;
    m_platform.QueueFormDriver([](tolm::Form& form) {
        hub::driver::TypeText(form.Control("txtNumber"), "USD");
        hub::driver::Click(form.Control("cmdOK"));
    });
    m_platform.QueueFormDriver([](tolm::Form& form) { hub::driver::TypeText(form.Control("txtNumber"), "EUR"); });

    m_platform.ShowModal(saved);
    EXPECT_EQ(saved.m_saved, "USD");
    EXPECT_EQ(saved.m_events, (std::vector<std::string>{"Load", "Activate", "Unloaded"}));

    m_platform.ShowModal(leftOpen);
    EXPECT_TRUE(leftOpen.IsUnloaded()) << "the person closed the window";
    EXPECT_EQ(leftOpen.m_saved, "") << "closing is not OK";
    EXPECT_EQ(leftOpen.m_events, (std::vector<std::string>{"Load", "Activate", "Unloaded"}));

    m_platform.ShowModal(undriven);
    EXPECT_TRUE(undriven.IsUnloaded());

    const auto& forms = m_platform.Forms();
    ASSERT_EQ(forms.size(), 3u);
    EXPECT_EQ(forms[0].name, "frmExRateTypeEdit");
    EXPECT_EQ(forms[0].caption, "新增汇率类型") << "the caption the person saw, set while loading";
    EXPECT_TRUE(forms[0].driven);
    EXPECT_FALSE(forms[2].driven);
}

TEST_F(HeadlessPlatformTest, AFormOpenedFromAFormTakesTheNextDriver) {
    TypeForm outer;
    TypeForm inner;
    std::vector<std::string> order;
    m_platform.QueueFormDriver([&](tolm::Form&) {
        order.push_back("outer");
        m_platform.ShowModal(inner);
        order.push_back("outer again");
    });
    m_platform.QueueFormDriver([&](tolm::Form& form) {
        order.push_back("inner");
        hub::driver::TypeText(form.Control("txtNumber"), "JPY");
        hub::driver::Click(form.Control("cmdOK"));
    });

    m_platform.ShowModal(outer);
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner", "outer again"}));
    EXPECT_EQ(inner.m_saved, "JPY");
    EXPECT_TRUE(outer.IsUnloaded());
}

TEST_F(HeadlessPlatformTest, AFailingDriverClosesTheFormAndTheErrorReachesTheCaller) {
    TypeForm form;
    m_platform.QueueFormDriver([](tolm::Form&) { throw std::runtime_error("driver failed"); });
    EXPECT_THROW(m_platform.ShowModal(form), std::runtime_error);
    EXPECT_TRUE(form.IsUnloaded());
    EXPECT_EQ(form.m_events.back(), "Unloaded");
}

TEST_F(HeadlessPlatformTest, PointerClipboardAndProcessAreThoseOfThisProcess) {
    EXPECT_EQ(m_platform.CurrentProcessId(), static_cast<int32_t>(::getpid()));

    m_platform.SetMousePointer(tolm::PointerHourglass);
    m_platform.SetMousePointer(tolm::PointerDefault);
    EXPECT_EQ(m_platform.MousePointer(), tolm::PointerDefault);
    EXPECT_EQ(m_platform.PointerHistory(), (std::vector<int32_t>{tolm::PointerHourglass, tolm::PointerDefault}));

    EXPECT_FALSE(m_platform.ClipboardBitmap().has_value());
    tolm::Bitmap picture{2, 1, 24, {0xC0C0C0, 0xFF0000}};
    m_platform.SetClipboardBitmap(picture);
    EXPECT_EQ(m_platform.ClipboardBitmap(), picture);
}

}  // namespace

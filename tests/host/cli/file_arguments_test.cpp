// Files named on the command line that cannot be used as named: each is refused in
// a sentence of the session language that names what to change, with nothing of
// the system's or a library's own words beside it, and nothing stored.
#include <filesystem>
#include <string>
#include <vector>

#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

class FileArguments : public hub::test::TolmCompany {
protected:
    void SetUp() override { Init(true); }
};

TEST_F(FileArguments, FilesThatCannotBeUsedAreRefusedInTheSessionLanguage) {
    std::filesystem::create_symlink("/dev/zero", m_dir / "z.xls");
    const std::string dir = m_dir.Path().string() + "/";
    const std::string gone = dir + "no-such-folder";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;
        // Where it is said: the transfer dialog's report is printed as the window
        // shows it; refusals go to the error stream, also after a library's calls.
        bool onOut = false;
    };
    const Case cases[] = {
        {{"export", ""}, 2, "The command needs a file name"},
        {{"import", ""}, 2, "The command needs a file name"},
        {{"log", "export", ""}, 2, "The command needs a file name"},
        {{"log", "print", ""}, 2, "The command needs a file name"},
        {{"import", dir + "missing.xlsx"}, 1, "missing.xlsx] does not exist: check the file name and its folder."},
        {{"import", dir + "z.xls"}, 1, "z.xls] is not a file: choose an Excel workbook saved on disk."},
        {{"export", gone + "/rates.xlsx"}, 1, "rates.xlsx] cannot be written: check the folder", true},
        {{"log", "export", gone + "/log.xlsx"}, 1, "log.xlsx] cannot be written: check the folder"},
        {{"log", "print", gone + "/log.pdf"}, 1, "log.pdf] cannot be written: check the folder"},
    };
    const size_t rates = TolmJson({"rates", "--all"}).size();
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--lang", "en"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ProcessResult result = Tolm(arguments);
        const std::string said = c.arguments[0] + " " + c.arguments[1];
        EXPECT_EQ(result.exitCode, c.exitCode) << said << ": " << result.err;
        EXPECT_NE((c.onOut ? result.out : result.err).find(c.message), std::string::npos) << said << ": " << result.err;
        for (const char* internal : {"[ERROR]", "filesystem error", "Usually a permissions error", "workbook_close"}) {
            EXPECT_EQ(result.err.find(internal), std::string::npos) << said << ": " << result.err;
        }
    }
    EXPECT_EQ(TolmJson({"rates", "--all"}).size(), rates) << "nothing was stored";
    EXPECT_FALSE(std::filesystem::exists(gone));
}

}  // namespace

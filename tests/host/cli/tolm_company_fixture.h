// A company folder of its own for one test, and tolm run in it as a script would.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace hub::test {

class TolmCompany : public ::testing::Test {
protected:
    ProcessResult Tolm(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--registry", m_registry.string(), "--db", m_database.string()});
        return RunProcess(TOLM_CLI_PATH, arguments, m_dir.Path());
    }
    nlohmann::json TolmJson(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "--json");
        ProcessResult result = Tolm(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return nlohmann::json::parse(result.out);
    }
    void Init(bool demo) {
        ProcessResult init = demo ? Tolm({"init", "--demo"}) : Tolm({"init"});
        ASSERT_EQ(init.exitCode, 0) << init.err;
    }

    TempDir m_dir;
    std::filesystem::path m_registry = m_dir / "config" / "classes.json";
    std::filesystem::path m_database = m_dir / "company.db";
};

}  // namespace hub::test

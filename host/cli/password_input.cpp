#include "cli/password_input.h"

#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "cli/command_set.h"
#include "i18n/catalogue.h"
#include "tolm/host_error.h"

namespace hub::cli {

namespace {

// Longer than any password a person types; a file that long is the wrong file.
constexpr size_t LongestPassword = 1024;

std::string WithoutLineEnd(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::string ReadPasswordFile(const std::string& file, const std::string& language) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        if (in.is_open() && in.eof() && !in.bad()) {
            throw UsageError(TranslateFormat(language, "密码文件 %1 是空的。", {file}));
        }
        throw UsageError(TranslateFormat(language, "无法读取密码文件 %1。", {file}));
    }
    line = WithoutLineEnd(std::move(line));
    if (line.empty()) throw UsageError(TranslateFormat(language, "密码文件 %1 的第一行是空的。", {file}));
    if (line.size() > LongestPassword) {
        throw UsageError(TranslateFormat(language, "密码文件 %1 的第一行太长，不像是密码。", {file}));
    }
    return line;
}

std::optional<std::string> AskHidden(const std::string& prompt, std::ostream& err) {
    if (isatty(STDIN_FILENO) == 0) return std::nullopt;
    termios before{};
    const bool canHide = tcgetattr(STDIN_FILENO, &before) == 0;
    if (canHide) {
        termios hidden = before;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    err << prompt << " " << std::flush;
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (canHide) tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
    err << "\n";
    if (!read) return std::nullopt;
    return WithoutLineEnd(std::move(line));
}

std::function<std::optional<std::string>()> SessionPassword(std::string passwordFile, std::string language,
                                                            std::ostream& err) {
    return [passwordFile = std::move(passwordFile), language = std::move(language), &err]() -> std::optional<std::string> {
        if (!passwordFile.empty()) return ReadPasswordFile(passwordFile, language);
        if (const char* fromEnvironment = std::getenv("TOLM_PASSWORD"); fromEnvironment != nullptr && *fromEnvironment) {
            return std::string(fromEnvironment);
        }
        if (std::optional<std::string> typed = AskHidden(Translate(language, "密码："), err)) return typed;
        throw tolm::HostError(tolm::err::AccessDenied,
                              Translate(language, "该用户设有密码：请用 --password-file 文件 或环境变量 TOLM_PASSWORD 给出密码，或在终端中运行并输入密码。"),
                              "tolm");
    };
}

}  // namespace hub::cli

#include "platform/headless_platform.h"

#include "platform/person_acts.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "tolm/host_error.h"
#include "tolm/text.h"

namespace hub {
namespace {

constexpr int32_t IdAbort = 3;
constexpr int32_t IdRetry = 4;
constexpr int32_t IdIgnore = 5;
constexpr int32_t ButtonMask = 0x0F;
constexpr int32_t DefaultButtonMask = 0x300;

struct ButtonSet {
    std::vector<int32_t> buttons;
    int32_t affirmative;
    int32_t negative;
};

ButtonSet ButtonsOf(int32_t flags) {
    switch (flags & ButtonMask) {
        case tolm::mb::OKCancel:
            return {{tolm::mb::IdOK, tolm::mb::IdCancel}, tolm::mb::IdOK, tolm::mb::IdCancel};
        case 2:  // abort, retry, ignore: going on means ignoring; retrying unattended could loop forever
            return {{IdAbort, IdRetry, IdIgnore}, IdIgnore, IdAbort};
        case tolm::mb::YesNoCancel:
            return {{tolm::mb::IdYes, tolm::mb::IdNo, tolm::mb::IdCancel}, tolm::mb::IdYes, tolm::mb::IdNo};
        case tolm::mb::YesNo:
            return {{tolm::mb::IdYes, tolm::mb::IdNo}, tolm::mb::IdYes, tolm::mb::IdNo};
        case 5:  // retry, cancel
            return {{IdRetry, tolm::mb::IdCancel}, IdRetry, tolm::mb::IdCancel};
        default:
            return {{tolm::mb::IdOK}, tolm::mb::IdOK, tolm::mb::IdOK};
    }
}

struct ButtonName {
    int32_t id;
    char letter;
    std::string_view word;
};

constexpr std::array<ButtonName, 7> ButtonNames{{
    {tolm::mb::IdOK, 'o', "OK"},
    {tolm::mb::IdCancel, 'c', "Cancel"},
    {IdAbort, 'a', "Abort"},
    {IdRetry, 'r', "Retry"},
    {IdIgnore, 'i', "Ignore"},
    {tolm::mb::IdYes, 'y', "Yes"},
    {tolm::mb::IdNo, 'n', "No"},
}};

const ButtonName& NameOf(int32_t id) {
    for (const auto& name : ButtonNames) {
        if (name.id == id) return name;
    }
    return ButtonNames[0];
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}


bool IsButtonWord(const std::string& reply, std::string_view word) {
    if (reply.size() != word.size()) return false;
    for (size_t i = 0; i < reply.size(); ++i) {
        if (Lower(reply[i]) != Lower(word[i])) return false;
    }
    return true;
}

}  // namespace

Terminal Terminal::Standard() {
    return Terminal{&std::cin, &std::cerr, ::isatty(STDIN_FILENO) == 1};
}

HeadlessPlatform::HeadlessPlatform() : m_terminal(Terminal::Standard()) {}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::QueueAnswer(int32_t answer) {
    m_answers.push_back(answer);
}

void HeadlessPlatform::QueueFile(std::optional<std::string> path) {
    m_files.push_back(std::move(path));
}

void HeadlessPlatform::QueueFormDriver(FormDriver driver) {
    m_drivers.push_back(std::move(driver));
}

void HeadlessPlatform::ClearRecords() {
    m_messageBoxes.clear();
    m_fileDialogs.clear();
    m_forms.clear();
    m_texts.clear();
    m_progressRuns.clear();
    m_pointerHistory.clear();
}

int32_t HeadlessPlatform::CurrentProcessId() const {
    return static_cast<int32_t>(::getpid());
}

void HeadlessPlatform::SetMousePointer(int32_t pointer) {
    m_pointer = pointer;
    m_pointerHistory.push_back(pointer);
}

int32_t HeadlessPlatform::MessageBox(const std::string& prompt, int32_t flags, const std::string& title) {
    const ButtonSet set = ButtonsOf(flags);
    MessageBoxRecord record{prompt, title, flags, 0, MessageBoxRecord::Origin::Policy};
    const auto show = [this](const MessageBoxRecord& shown) {
        m_messageBoxes.push_back(shown);
        if (m_observer) m_observer(m_messageBoxes.back());
    };

    if (set.buttons.size() == 1) {
        // Nothing to decide: the person can only acknowledge it.
        record.answer = set.buttons.front();
        record.origin = MessageBoxRecord::Origin::OnlyButton;
        if (PutOffUntilStored([show, record] { show(record); })) return record.answer;
    } else if (!m_answers.empty()) {
        const int32_t answer = m_answers.front();
        if (std::find(set.buttons.begin(), set.buttons.end(), answer) == set.buttons.end()) {
            throw tolm::HostError(tolm::err::InvalidProcedureCall,
                                  "The scripted answer " + std::to_string(answer) +
                                      " is not a button of the message box \"" + prompt + "\"",
                                  "HeadlessPlatform");
        }
        m_answers.pop_front();
        record.answer = answer;
        record.origin = MessageBoxRecord::Origin::Script;
    } else if (m_policy == QuestionPolicy::Ask && m_terminal.interactive && m_terminal.in && m_terminal.out) {
        record.answer = AskOnTerminal(prompt, flags, title);
        record.origin = MessageBoxRecord::Origin::Terminal;
    } else {
        record.answer = m_policy == QuestionPolicy::Yes ? set.affirmative : set.negative;
        record.origin = MessageBoxRecord::Origin::Policy;
    }

    show(record);
    if (record.answer == set.negative && set.buttons.size() > 1) PersonDeclined();
    return record.answer;
}

int32_t HeadlessPlatform::AskOnTerminal(const std::string& prompt, int32_t flags, const std::string& title) {
    const ButtonSet set = ButtonsOf(flags);
    const size_t defaultIndex = std::min<size_t>(static_cast<size_t>((flags & DefaultButtonMask) >> 8),
                                                 set.buttons.size() - 1);
    const int32_t defaultButton = set.buttons[defaultIndex];

    std::ostream& out = *m_terminal.out;
    std::istream& in = *m_terminal.in;
    if (!title.empty()) out << "[" << title << "] ";
    out << prompt << "\n";

    // A person who keeps typing something else is not answering; stop asking
    // rather than hold the program forever.
    constexpr int MaxAttempts = 5;
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        for (size_t i = 0; i < set.buttons.size(); ++i) {
            const ButtonName& name = NameOf(set.buttons[i]);
            out << (i ? "/" : "") << "(" << static_cast<char>(name.letter - 'a' + 'A') << ")" << name.word.substr(1);
        }
        out << " [" << NameOf(defaultButton).word << "]: " << std::flush;

        std::string line;
        if (!std::getline(in, line)) break;
        const std::string reply(tolm::text::Trim(line));
        if (reply.empty()) return defaultButton;
        for (int32_t button : set.buttons) {
            const ButtonName& name = NameOf(button);
            if ((reply.size() == 1 && Lower(reply[0]) == name.letter) || IsButtonWord(reply, name.word)) {
                return button;
            }
        }
    }
    out << "\n";
    return set.negative;
}

std::optional<std::string> HeadlessPlatform::PickFile(tolm::FileDialogKind kind,
                                                      const tolm::FileDialogOptions& options) {
    std::optional<std::string> answer;
    if (!m_files.empty()) {
        answer = std::move(m_files.front());
        m_files.pop_front();
    }
    if (answer && answer->empty()) answer.reset();
    // The common dialog completes a name typed without an extension.
    if (answer && !options.defaultExt.empty() && !std::filesystem::path(*answer).has_extension()) {
        std::string ext = options.defaultExt;
        if (ext.front() != '.') ext.insert(ext.begin(), '.');
        *answer += ext;
    }
    m_fileDialogs.push_back(FileDialogRecord{kind, options, answer});
    if (!answer) PersonDeclined();
    return answer;
}

void HeadlessPlatform::ShowModal(tolm::Form& form) {
    RunButtonClicksThroughHooks(form);
    // Taken before the form loads: a form its driver opens from inside takes the
    // next driver, not this one.
    FormDriver driver;
    if (!m_drivers.empty()) {
        driver = std::move(m_drivers.front());
        m_drivers.pop_front();
    }
    const size_t index = m_forms.size();
    m_forms.push_back(FormRecord{form.Name(), form.Caption(), false});

    auto closeIfOpen = [&form] {
        if (form.IsLoaded() && !form.IsUnloaded()) form.Unload();
    };
    try {
        form.BeginModal();
        m_forms[index].caption = form.Caption();
        if (driver && form.IsLoaded() && !form.IsUnloaded()) {
            m_forms[index].driven = true;
            driver(form);
        }
    } catch (...) {
        // The window goes away with the error, as it does when its code fails.
        try {
            closeIfOpen();
        } catch (...) {
            // The first error is the one to report.
        }
        throw;
    }
    closeIfOpen();
}

void HeadlessPlatform::ShowText(const std::string& text, const std::string& title) {
    const auto show = [this, shown = TextRecord{title, text}] {
        m_texts.push_back(shown);
        if (m_textObserver) m_textObserver(m_texts.back());
    };
    if (!PutOffUntilStored(show)) show();
}

void HeadlessPlatform::ReportProgress(const std::string& caption, int64_t done, int64_t total) {
    if (!m_progressOpen) m_progressRuns.emplace_back();
    m_progressOpen = true;
    m_progressRuns.back() = ProgressRecord{caption, done, total};
    if (m_progressObserver) m_progressObserver(m_progressRuns.back());
}

void HeadlessPlatform::EndProgress() {
    if (!m_progressOpen) return;
    m_progressOpen = false;
    if (m_progressObserver) m_progressObserver(std::nullopt);
}

}  // namespace hub

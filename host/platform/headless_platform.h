// The platform without a screen: answers from a script, records what a person
// would have seen.
//
// Layer: platform, on the contract alone; the runtime installs it for a front end.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "tolm/platform.h"

namespace hub {

// How a question (a message box with more than one button) is answered when the
// script holds no answer for it.
enum class QuestionPolicy {
    Yes,  // the affirmative button: Yes, OK, Retry
    No,   // the negative button: No, Cancel, Abort
    Ask,  // ask on the terminal when one is attached; otherwise as No
};

struct MessageBoxRecord {
    std::string prompt;
    std::string title;
    int32_t flags = 0;
    int32_t answer = 0;
    // Where the answer came from.
    enum class Origin { Script, Policy, Terminal, OnlyButton } origin = Origin::Policy;
};

struct FileDialogRecord {
    tolm::FileDialogKind kind = tolm::FileDialogKind::Open;
    tolm::FileDialogOptions options;
    std::optional<std::string> answer;  // nothing: cancelled
};

struct TextRecord {
    std::string title;
    std::string text;
};

struct ProgressRecord {
    std::string caption;
    int64_t done = 0;
    int64_t total = 0;
};

struct FormRecord {
    std::string name;
    std::string caption;
    bool driven = false;  // a scripted driver acted on it
};

// The terminal a question may be asked on. `interactive` says whether a person is
// there to answer; without one nothing is ever read from `in`.
struct Terminal {
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    bool interactive = false;
    // The process's standard input and error, interactive when stdin is a TTY.
    static Terminal Standard();
};

// Single-threaded, like the user-interface thread it stands in for.
class HeadlessPlatform : public tolm::IPlatform {
public:
    using FormDriver = std::function<void(tolm::Form&)>;

    HeadlessPlatform();
    ~HeadlessPlatform() override;

    // ---- the script ----------------------------------------------------------------
    // Answers to questions, in order. A message box with only an OK button takes no
    // answer from the script; a scripted answer that is not a button of the box
    // raises InvalidProcedureCall (the script and the program disagree).
    void QueueAnswer(int32_t answer);
    // Files chosen in file dialogs, in order; nothing stands for Cancel. An empty
    // queue cancels.
    void QueueFile(std::optional<std::string> path);
    // What a person does in the next modal form: the driver runs after the form is
    // loaded and activated. A form still loaded afterwards is closed, as a person
    // closing the window would; so is a form shown with no driver queued.
    void QueueFormDriver(FormDriver driver);
    void SetQuestionPolicy(QuestionPolicy policy) { m_policy = policy; }
    QuestionPolicy GetQuestionPolicy() const { return m_policy; }
    void SetTerminal(Terminal terminal) { m_terminal = terminal; }
    // Called with every message box after it was answered (to echo it, say).
    void SetMessageBoxObserver(std::function<void(const MessageBoxRecord&)> observer) {
        m_observer = std::move(observer);
    }
    // Called with every text window when it is shown (a command line prints it).
    void SetTextObserver(std::function<void(const TextRecord&)> observer) { m_textObserver = std::move(observer); }
    // Called with every progress report; with nothing when the run is over.
    void SetProgressObserver(std::function<void(const std::optional<ProgressRecord>&)> observer) {
        m_progressObserver = std::move(observer);
    }
    size_t PendingAnswers() const { return m_answers.size(); }
    size_t PendingFiles() const { return m_files.size(); }
    size_t PendingFormDrivers() const { return m_drivers.size(); }

    // ---- what a person would have seen ----------------------------------------------
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return m_messageBoxes; }
    const std::vector<FileDialogRecord>& FileDialogs() const { return m_fileDialogs; }
    const std::vector<FormRecord>& Forms() const { return m_forms; }
    const std::vector<TextRecord>& Texts() const { return m_texts; }
    // The last progress report of each run, in order (runs still going included).
    const std::vector<ProgressRecord>& ProgressRuns() const { return m_progressRuns; }
    // Every pointer set, in order.
    const std::vector<int32_t>& PointerHistory() const { return m_pointerHistory; }
    // Forgets the records (not the script).
    void ClearRecords();

    // ---- tolm::IPlatform -------------------------------------------------------------
    int32_t CurrentProcessId() const override;
    int32_t MousePointer() const override { return m_pointer; }
    void SetMousePointer(int32_t pointer) override;
    int32_t MessageBox(const std::string& prompt, int32_t flags, const std::string& title) override;
    void SetClipboardBitmap(const tolm::Bitmap& bitmap) override { m_clipboard = bitmap; }
    std::optional<tolm::Bitmap> ClipboardBitmap() const override { return m_clipboard; }
    std::optional<std::string> PickFile(tolm::FileDialogKind kind, const tolm::FileDialogOptions& options) override;
    void ShowModal(tolm::Form& form) override;
    void ShowText(const std::string& text, const std::string& title) override;
    void ReportProgress(const std::string& caption, int64_t done, int64_t total) override;
    void EndProgress() override;

private:
    int32_t AskOnTerminal(const std::string& prompt, int32_t flags, const std::string& title);

    QuestionPolicy m_policy = QuestionPolicy::No;
    Terminal m_terminal;
    std::function<void(const MessageBoxRecord&)> m_observer;
    std::deque<int32_t> m_answers;
    std::deque<std::optional<std::string>> m_files;
    std::deque<FormDriver> m_drivers;

    std::vector<MessageBoxRecord> m_messageBoxes;
    std::vector<FileDialogRecord> m_fileDialogs;
    std::vector<FormRecord> m_forms;
    std::vector<TextRecord> m_texts;
    std::vector<ProgressRecord> m_progressRuns;
    bool m_progressOpen = false;
    std::function<void(const TextRecord&)> m_textObserver;
    std::function<void(const std::optional<ProgressRecord>&)> m_progressObserver;
    std::vector<int32_t> m_pointerHistory;
    int32_t m_pointer = tolm::PointerDefault;
    std::optional<tolm::Bitmap> m_clipboard;
};

}  // namespace hub

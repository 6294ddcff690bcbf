#include "tolm/platform.h"

#include <mutex>
#include <utility>

#include "tolm/host_error.h"

namespace tolm {

namespace {

struct InstalledState {
    std::mutex mutex;
    std::shared_ptr<IPlatform> platform;
};

InstalledState& State() {
    static InstalledState state;
    return state;
}

}  // namespace

void InstallPlatform(std::shared_ptr<IPlatform> platform) {
    std::shared_ptr<IPlatform> previous;
    {
        std::lock_guard lock(State().mutex);
        previous = std::exchange(State().platform, std::move(platform));
    }
    // The replaced platform is released outside the lock: its destructor may well
    // ask for the platform again.
}

void IPlatform::ShowText(const std::string& text, const std::string& title) { MessageBox(text, mb::OKOnly, title); }

void IPlatform::ReportProgress(const std::string&, int64_t, int64_t) {}

void IPlatform::EndProgress() {}

std::shared_ptr<IPlatform> Platform() {
    std::lock_guard lock(State().mutex);
    if (!State().platform) throw HostError(err::CannotCreateComponent, "No platform installed");
    return State().platform;
}

std::shared_ptr<IPlatform> InstalledPlatform() {
    std::lock_guard lock(State().mutex);
    return State().platform;
}

std::string ShowFileDialog(FileDialogKind kind, const FileDialogOptions& options) {
    // Hold a reference for the whole dialog: a platform replaced meanwhile must not
    // be released under the call.
    std::shared_ptr<IPlatform> platform = InstalledPlatform();
    if (!platform) throw HostError(err::CannotCreateComponent, "No platform installed");
    std::optional<std::string> chosen = platform->PickFile(kind, options);
    if (chosen) return *chosen;
    if (options.cancelError) throw HostError(err::DialogCancelled, "Cancel was selected.");
    return {};
}

}  // namespace tolm

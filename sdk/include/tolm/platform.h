// The platform seam: what the operating system gives a plug-in, provided by the host.
// The host installs one implementation at start (headless or desktop); the plug-in
// reaches it through Platform()->...
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tolm/bitmap.h"
#include "tolm/export.h"
#include "tolm/form.h"
#include "tolm/object.h"

namespace tolm {

// Mouse pointers.
inline constexpr int32_t PointerDefault = 0;
inline constexpr int32_t PointerHourglass = 11;

// Message box flags: buttons (low nibble), icon, default button.
namespace mb {
inline constexpr int32_t OKOnly = 0;
inline constexpr int32_t OKCancel = 1;
inline constexpr int32_t YesNoCancel = 3;
inline constexpr int32_t YesNo = 4;
inline constexpr int32_t Critical = 16;
inline constexpr int32_t Question = 32;
inline constexpr int32_t Exclamation = 48;
inline constexpr int32_t Information = 64;
inline constexpr int32_t DefaultButton2 = 256;
// Answers.
inline constexpr int32_t IdOK = 1;
inline constexpr int32_t IdCancel = 2;
inline constexpr int32_t IdYes = 6;
inline constexpr int32_t IdNo = 7;
}  // namespace mb


enum class FileDialogKind { Open, Save };

// Flags of the file dialog.
namespace fd {
inline constexpr int32_t OverwritePrompt = 2;
inline constexpr int32_t FileMustExist = 4096;
}  // namespace fd

struct FileDialogOptions {
    int32_t flags = 0;
    std::string title;
    // "Description|pattern|Description|pattern", for example
    // "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*".
    std::string filter;
    std::string defaultExt;
    std::string fileName;
    // When set, a cancelled dialog raises DialogCancelled; otherwise it gives "".
    bool cancelError = false;
};

class TOLM_SDK_API IPlatform : public Object {
public:
    ~IPlatform() override;
    virtual int32_t CurrentProcessId() const = 0;
    virtual int32_t MousePointer() const = 0;
    virtual void SetMousePointer(int32_t pointer) = 0;
    // Shows a message box and returns the answer (mb::IdYes, mb::IdNo, ...).
    virtual int32_t MessageBox(const std::string& prompt, int32_t flags, const std::string& title) = 0;
    virtual void SetClipboardBitmap(const Bitmap& bitmap) = 0;
    virtual std::optional<Bitmap> ClipboardBitmap() const = 0;
    // The chosen file's full path, or nothing when the person cancelled.
    virtual std::optional<std::string> PickFile(FileDialogKind kind, const FileDialogOptions& options) = 0;
    // Shows a form modally: returns when it is unloaded.
    virtual void ShowModal(Form& form) = 0;
    // Shows a long text read-only (the person may copy or save it) under a title;
    // returns when the person closed it. The default shows it in a message box.
    virtual void ShowText(const std::string& text, const std::string& title);
    // Progress of a long run: `done` of `total` steps (total 0 when not known yet)
    // under a caption; EndProgress when the run is over, however it ended. The
    // defaults show nothing.
    virtual void ReportProgress(const std::string& caption, int64_t done, int64_t total);
    virtual void EndProgress();
};

// Installs the process's platform (replacing any earlier one).
TOLM_SDK_API void InstallPlatform(std::shared_ptr<IPlatform> platform);
// The installed platform, shared with the caller so that it outlives the call even
// when another one is installed meanwhile; raises CannotCreateComponent when none is
// installed.
TOLM_SDK_API std::shared_ptr<IPlatform> Platform();
TOLM_SDK_API std::shared_ptr<IPlatform> InstalledPlatform();

// The file dialog as a common dialog control shows it: the chosen path, or, when
// the person cancelled, "" or (with options.cancelError) a DialogCancelled error.
TOLM_SDK_API std::string ShowFileDialog(FileDialogKind kind, const FileDialogOptions& options);

}  // namespace tolm

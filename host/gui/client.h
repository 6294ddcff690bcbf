// What every part of the desktop client shares: the session language applied to Qt,
// the person told of a refusal, the plug-in made ready, the help viewer.
//
// Layer: gui, the desktop front end, beside cli on top of the host.
#pragma once

#include <QMainWindow>

#include "services/unit_of_work.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QString>

#include "core/runtime.h"

class QApplication;

namespace hub::gui {

// The application's name, organisation and settings file as QSettings reads them.
void SetApplicationIdentity();

// Applies a session language ("chs", "en", "cht") to the application: Qt's own
// buttons and dialogs in Simplified or Traditional Chinese, and a font with CJK
// glyphs for every widget.
void ApplyLanguage(QApplication& application, const std::string& language);

// A Chinese text of the client in the language.
QString Text(const std::string& language, const char* chineseText);

// The Chinese name of a session language ("简体中文", "英文", "繁体中文").
const char* LanguageName(const std::string& language);

// A window's status text as the status line shows it: the editor's fixed "Ready"
// in the session language, every other text as written.
QString StatusLineText(const std::string& language, const std::string& status);

// Clicks a window's command as Act runs it, and puts what became of it in the view's
// status bar (the reason of a refusal was shown already).
void ActAndShowOutcome(QMainWindow& view, const std::string& language, const std::function<const Outcome&()>& click);

// Runs a person's command; a refusal or failure is shown in a message box in the
// language instead of leaving the event loop.
void Act(const std::string& language, const std::function<void()>& action);

// The plug-in's classes must be registered for the windows to attach them: when
// neither the person's registry nor the installed one has them, the plug-in in
// LibraryDirectory() is registered in the person's.
// Raises CannotCreateComponent, in the language, when that is not possible.
void EnsurePluginRegistered(const Runtime& runtime, const std::string& language);

// The password of a user who has one, for a session started without the login
// dialog: TOLM_PASSWORD when set, else asked in a dialog (nothing when cancelled).
std::function<std::optional<std::string>()> AskPassword(const std::string& language);

// Help pages the plug-in asks for open in a browser window.
void InstallHelpViewer();
// F1 in a window: the page of the topic the window answered (nothing for 0), or a
// message that there is none.
void ShowHelpTopic(const std::string& language, int32_t topic);

}  // namespace hub::gui

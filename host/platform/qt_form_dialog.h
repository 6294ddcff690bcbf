// The one renderer of the plug-in's forms on a desktop.
//
// A FormDialog draws a tolm::Form as Qt widgets (labels, line or multi-line edits,
// push buttons at the form's twips scaled to the screen), follows the form's
// changes, and hands every action of the person to the form model through its
// operations for views: keys go through KeyDown and KeyPress, so the dialog's key
// filters decide what a text box takes, and the model, not the widget, edits the
// text; Tab moves the focus in the form's tab order; clicks and focus changes raise
// the form's events. The dialog holds no logic of any form.
//
// Layer: platform (the Qt seam), on the contract and Qt Widgets alone.
#pragma once

#include <exception>
#include <map>
#include <string>

#include <QDialog>
#include <QFont>
#include <QString>

#include "tolm/form.h"

class QKeyEvent;

namespace hub {

// The installed font family CJK text is drawn with ("" when none is installed).
QString CjkFontFamily();
// The font a form names, at its size: the family itself when installed, otherwise
// (the Windows "宋体" among others) the CJK family.
QFont FormFont(const std::string& name, double pointSize);

class FormDialog : public QDialog {
public:
    // The form must outlive the dialog.
    FormDialog(tolm::Form& form, QWidget* parent = nullptr);
    ~FormDialog() override;

    // The modal show: BeginModal (Load, Activate, the first focus), then the event
    // loop until the form is unloaded, by its code or by the person closing the
    // window. An error raised by the form's handlers ends the show, unloads the form
    // and is raised again here.
    void RunModal();

    // The widget drawing a control; nullptr for an unknown name.
    QWidget* WidgetOf(const std::string& controlName) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Closing the window unloads the form.
    void reject() override;

private:
    void Build();
    void OnChange(const tolm::FormControl* control, tolm::FormChange change);
    void ShowText(const tolm::FormControl& control);
    void ShowSelection(const tolm::FormControl& control);
    void TakeSelection(tolm::FormControl& control);
    // What every control does first with a key: the form's KeyDown (which may swallow
    // it) and Tab moving the focus. True when the key needs nothing more.
    bool KeyDownOrTab(tolm::FormControl& control, QKeyEvent* event);
    bool TextBoxKey(tolm::FormControl& control, QKeyEvent* event);
    bool ButtonKey(tolm::FormControl& control, QKeyEvent* event);
    void TypeText(tolm::FormControl& control, const QString& text);
    // Runs a call into the form; an error it raises ends the show.
    template <class Action>
    void Guard(Action&& action);

    tolm::Form& m_form;
    std::map<const tolm::FormControl*, QWidget*> m_widgets;
    std::map<QObject*, tolm::FormControl*> m_controls;
    tolm::Subscription m_subscription;
    // Set while the dialog shows the model's state, so that the widgets' own signals
    // are not handed back to the model.
    bool m_showing = false;
    std::exception_ptr m_error;
};

}  // namespace hub

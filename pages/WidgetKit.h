#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <string>

// The few helpers every window and page builds its controls with, so that
// they all name, label and focus controls the same way.
namespace widgetkit {

inline QString Q(const std::wstring& text) {
    return QString::fromStdWString(text);
}

inline std::wstring W(const QString& text) {
    return text.toStdWString();
}

// Controls are found by "ctl" and their control number ("ctl1033").
template <class Widget> Widget* Named(Widget* widget, int control) {
    widget->setObjectName(QStringLiteral("ctl%1").arg(control));
    return widget;
}

// A field that shows a value: selectable with the mouse, skipped by Tab.
inline QLineEdit* ReadOnlyEdit(QWidget* parent, int control) {
    auto* edit = Named(new QLineEdit(parent), control);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
}

// A button that Enter never presses.
inline QPushButton* Button(const QString& text, QWidget* parent, int control) {
    auto* button = Named(new QPushButton(text, parent), control);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace widgetkit

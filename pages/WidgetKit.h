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

// A control is named for what it is ("connectButton"); its control number
// (the Connect button's is 1033), by which the module's documentation and the
// tests know it, is the property "control".
inline constexpr const char* kControlProperty = "control";

template <class Widget> Widget* Named(Widget* widget, int control, const QString& name) {
    widget->setObjectName(name);
    widget->setProperty(kControlProperty, control);
    return widget;
}

// The control number of a widget; 0 for one without.
inline int ControlNumber(const QObject* widget) {
    return widget->property(kControlProperty).toInt();
}

// The control of that number under root, or null.
template <class Widget = QWidget> Widget* FindControl(const QObject* root, int control) {
    for (Widget* widget : root->findChildren<Widget*>())
        if (ControlNumber(widget) == control)
            return widget;
    return nullptr;
}

// A name made of words ("Video Format" "4:2:2 YCbCr" gives "videoFormat422YCbCr").
inline QString NameFromWords(const QString& words) {
    QString name;
    bool upper = false;
    for (const QChar c : words) {
        if (!c.isLetterOrNumber()) {
            upper = !name.isEmpty();
            continue;
        }
        name += name.isEmpty() ? c.toLower() : (upper ? c.toUpper() : c);
        upper = false;
    }
    return name;
}

// A field that shows a value: selectable with the mouse, skipped by Tab.
inline QLineEdit* ReadOnlyEdit(QWidget* parent, int control, const QString& name) {
    auto* edit = Named(new QLineEdit(parent), control, name);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
}

// A button that Enter never presses.
inline QPushButton* Button(const QString& text, QWidget* parent, int control, const QString& name) {
    auto* button = Named(new QPushButton(text, parent), control, name);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace widgetkit

#include "app/CQtDialogServices.h"

#include "frontend/OperatorWait.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

namespace {

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgResult ResultOf(int button, MsgButtons buttons) {
    switch (button) {
    case QMessageBox::Ok:
        return MsgResult::Ok;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        // Closed by the window manager: what Escape would have chosen.
        return buttons == MsgButtons::Ok ? MsgResult::Ok
               : buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoDefaultNo
                   ? MsgResult::No
                   : MsgResult::Cancel;
    }
}

QString Patterns(const QString& given) {
    QStringList patterns;
    for (const QString& p : given.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = p.trimmed();
        if (trimmed.isEmpty())
            continue;
        patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return patterns.join(QLatin1Char(' '));
}

// A box shown during a long operation (a port failure while connecting)
// gets the normal pointer, not the wait cursor of the operation.
class ArrowWhileOpen {
public:
    ArrowWhileOpen() : m_pushed(QApplication::overrideCursor() != nullptr) {
        if (m_pushed)
            QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~ArrowWhileOpen() {
        if (m_pushed)
            QApplication::restoreOverrideCursor();
    }
    ArrowWhileOpen(const ArrowWhileOpen&) = delete;
    ArrowWhileOpen& operator=(const ArrowWhileOpen&) = delete;

private:
    bool m_pushed;
};

// The narrowest box, in average characters: wide enough that no window
// manager cuts the caption short. Long texts wrap at Qt's own width.
constexpr int kBoxMinChars = 48;

} // namespace

QString BoxText(const std::wstring& text) {
    QString shown = QString::fromStdWString(text);
    // A word joiner between the characters of an address: a line may end
    // before it or after it, never inside ("https://" alone at a line's end).
    static const QRegularExpression address(QStringLiteral("[a-z]+://\\S+"));
    const QChar joiner(0x2060);
    qsizetype from = 0;
    for (QRegularExpressionMatch match = address.match(shown); match.hasMatch();
         match = address.match(shown, from)) {
        QString joined = match.captured();
        for (qsizetype i = joined.size() - 1; i > 0; --i)
            joined.insert(i, joiner);
        shown.replace(match.capturedStart(), match.capturedLength(), joined);
        from = match.capturedStart() + joined.size();
    }
    return shown;
}

QStringList QtNameFilters(const std::wstring& filter) {
    const QStringList parts = QString::fromStdWString(filter).split(QLatin1Char('|'));
    QStringList filters;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        const QString patterns = Patterns(parts[i + 1]);
        if (name.isEmpty() && patterns.isEmpty())
            break; // the closing "||"
        // "Setup Files (*.xml)" already shows its patterns; Qt reads them from
        // the last parentheses, so they are replaced rather than repeated.
        name.remove(trailingPatterns);
        if (name.isEmpty())
            name = patterns;
        filters << QStringLiteral("%1 (%2)").arg(name, patterns.isEmpty() ? QStringLiteral("*")
                                                                          : patterns);
    }
    return filters;
}

MsgResult CQtDialogServices::MessageBox(const std::wstring& text, const std::wstring& caption,
                                        MsgButtons buttons, MsgIcon icon) {
    return ShowBox(text, caption, buttons, icon, {});
}

MsgResult CQtDialogServices::MessageBoxWhile(const std::wstring& text, const std::wstring& caption,
                                             MsgButtons buttons, MsgIcon icon,
                                             const std::function<bool()>& stillAsked) {
    return ShowBox(text, caption, buttons, icon, stillAsked);
}

MsgResult CQtDialogServices::ShowBox(const std::wstring& text, const std::wstring& caption,
                                     MsgButtons buttons, MsgIcon icon,
                                     const std::function<bool()>& stillAsked) {
    QMessageBox box(IconOf(icon),
                    QString::fromStdWString(caption.empty() ? kApplicationTitle : caption),
                    BoxText(text), ButtonsOf(buttons), Parent());
    // A spacer under everything: a minimum width on the text itself would
    // keep Qt from wrapping it.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = kBoxMinChars * box.fontMetrics().averageCharWidth();
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (buttons == MsgButtons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    // A question about something that ends meanwhile goes away by itself.
    QTimer watch;
    if (stillAsked) {
        QObject::connect(&watch, &QTimer::timeout, &box, [&] {
            if (!stillAsked())
                box.reject();
        });
        watch.start(kQuestionCheckMs);
    }
    const ArrowWhileOpen arrow;
    int button = 0;
    {
        const operatorwait::Scope waiting; // not part of any operation's duration
        button = box.exec();
    }
    if (stillAsked && !stillAsked())
        return MsgResult::Cancel;
    return ResultOf(button, buttons);
}

void CQtDialogServices::ReportFileError(const std::wstring& path, FileOperation operation,
                                        int systemError) {
    MessageBox(FileErrorText(path, operation, systemError), {}, MsgButtons::Ok, MsgIcon::Error);
}

FileDialogResult CQtDialogServices::AskFile(const FileDialogRequest& request) {
    QFileDialog dialog(Parent(), QString::fromStdWString(request.title),
                       QString::fromStdWString(request.initialFolder));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The caller decides what an existing file means.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = QtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex <= 0 ? 0 : request.filterIndex - 1;
        if (index < filters.size())
            dialog.selectNameFilter(filters[index]);
    }
    FileDialogResult result;
    const ArrowWhileOpen arrow;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.path = dialog.selectedFiles().constFirst().toStdWString();
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    result.filterIndex = chosen < 0 ? request.filterIndex : static_cast<int>(chosen) + 1;
    return result;
}

void CQtDialogServices::BeginWaitCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CQtDialogServices::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

QWidget* CQtDialogServices::Parent() const {
    return m_parent ? m_parent.data() : QApplication::activeWindow();
}

void CQtDialogServices::RunOnGuiThread(std::function<void()> fn, bool wait) {
    m_invoker.Run(std::move(fn), wait);
}

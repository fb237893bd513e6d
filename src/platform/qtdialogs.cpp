#include "qtdialogs.h"

#include "commondialog.h"
#include "fontdialog.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>

namespace borovka {

namespace {

// A filter text already ending in "(pattern)" is one Qt understands as it is.
const QRegularExpression &ownPattern()
{
    static const QRegularExpression re(QStringLiteral("\\(([^()]*[*?.][^()]*)\\)\\s*$"));
    return re;
}

QString entry(const QString &description, const QString &pattern)
{
    const QString d = description.trimmed();
    if (d.isEmpty())
        return pattern;
    if (ownPattern().match(d).hasMatch())
        return d;
    return d + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

QString descriptionOf(const QString &nameFilter)
{
    const auto m = ownPattern().match(nameFilter);
    return m.hasMatch() ? nameFilter.left(m.capturedStart()).trimmed() : nameFilter.trimmed();
}

// Qt's own file dialog, with one habit of the classic ones: a pattern typed
// into the name field and confirmed restricts the list instead of being
// returned as a file name.
class FileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    // Shows the pattern the list is filtered by in the name field,
    // selected, so that typing a name replaces it.
    void showPattern(const QString &pattern)
    {
        m_pattern = pattern;
        selectPattern();
    }

    void accept() override
    {
        auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text().trimmed() : QString();
        if (isFilePattern(typed) && !typed.contains(QLatin1Char('/'))) {
            const QString description = descriptionOf(selectedNameFilter());
            setNameFilter(description.isEmpty() ? typed
                                                : description + QStringLiteral(" (") + typed + QLatin1Char(')'));
            edit->setText(typed);
            edit->selectAll();
            return;
        }
        QFileDialog::accept();
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QFileDialog::showEvent(event);
        selectPattern();
    }

private:
    void selectPattern()
    {
        auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!edit || m_pattern.isEmpty())
            return;
        edit->setText(m_pattern);
        edit->selectAll();
    }

    QString m_pattern;
};

// A message box that closes on Escape and its close button without a
// button clicked, so both report Cancel also when there is no Cancel
// button (Qt would pick No for Yes/No).
class MessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Cancel)) {
            reject();
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent *event) override
    {
        QDialog::closeEvent(event);
    }
};

} // namespace

QStringList QtDialogs::nameFiltersFor(const QString &filter, const QString &fileName)
{
    const QString namePart = QFileInfo(fileName).fileName();
    const QString fallback = isFilePattern(namePart) ? namePart : QStringLiteral("*");

    if (filter.contains(QLatin1Char('|'))) {
        const QStringList parts = filter.split(QLatin1Char('|'));
        QStringList entries;
        for (int i = 0; i < parts.size(); i += 2) {
            const QString pattern = i + 1 < parts.size() && !parts.at(i + 1).trimmed().isEmpty()
                                        ? parts.at(i + 1).trimmed().replace(QLatin1Char(';'), QLatin1Char(' '))
                                        : fallback;
            if (!parts.at(i).trimmed().isEmpty() || pattern != fallback)
                entries.append(entry(parts.at(i), pattern));
        }
        return entries;
    }
    if (filter.trimmed().isEmpty())
        return isFilePattern(namePart) ? QStringList{namePart} : QStringList{};
    return {entry(filter, fallback)};
}

bool QtDialogs::showFile(DialogValues &values, bool save)
{
    FileDialog dialog(m_parent, values.DialogTitle);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(values.DefaultExt);

    const QStringList filters = nameFiltersFor(values.Filter, values.FileName);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);

    const QFileInfo start(values.FileName);
    // Only a name with a folder of its own moves the dialog; a bare name or
    // pattern leaves it where it was last.
    const bool hasFolder = values.FileName.contains(QLatin1Char('/'));
    if (hasFolder && QDir(start.absolutePath()).exists())
        dialog.setDirectory(start.absolutePath());
    const QString name = start.fileName();
    if (isFilePattern(name))
        dialog.showPattern(name);
    else if (!name.isEmpty())
        dialog.selectFile(name);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    values.FileName = QFileInfo(chosen.first()).absoluteFilePath();
    return true;
}

bool QtDialogs::showOpen(DialogValues &values)
{
    return showFile(values, false);
}

bool QtDialogs::showSave(DialogValues &values)
{
    return showFile(values, true);
}

bool QtDialogs::showFont(DialogValues &values)
{
    FontDialog dialog(values, m_parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(values);
    return true;
}

bool QtDialogs::showColor(DialogValues &values)
{
    QColorDialog dialog(m_parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowTitle(QStringLiteral("Barvy"));
    dialog.setCurrentColor(values.Color);
    if (dialog.exec() != QDialog::Accepted || !dialog.selectedColor().isValid())
        return false;
    values.Color = dialog.selectedColor();
    return true;
}

int QtDialogs::messageBox(const QString &prompt, int buttons, const QString &title)
{
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));

    MessageBox box(m_parent);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setWindowTitle(title);
    box.setWindowModality(Qt::ApplicationModal);

    // Only the button-set part counts; icon and default-button bits are ignored.
    QList<QMessageBox::StandardButton> set;
    switch (buttons & 0x0F) {
    case 1: set = {QMessageBox::Ok, QMessageBox::Cancel}; break;
    case MsgBox::YesNoCancel: set = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}; break;
    case MsgBox::YesNo: set = {QMessageBox::Yes, QMessageBox::No}; break;
    default: set = {QMessageBox::Ok}; break;
    }
    for (QMessageBox::StandardButton b : set)
        box.addButton(b);
    box.setDefaultButton(set.first());

    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return MsgBox::Ok;
    case QMessageBox::Yes: return MsgBox::Yes;
    case QMessageBox::No: return MsgBox::No;
    default: return MsgBox::Cancel;
    }
}

} // namespace borovka

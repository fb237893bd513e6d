#include "commondialog.h"

#include <QFileInfo>

namespace borovka {

bool isFilePattern(const QString &fileName)
{
    return fileName.contains(QLatin1Char('*')) || fileName.contains(QLatin1Char('?'));
}

QString withDefaultExtension(const QString &fileName, const QString &defaultExt)
{
    if (fileName.isEmpty() || defaultExt.isEmpty())
        return fileName;
    const QString last = QFileInfo(fileName).fileName();
    if (last.isEmpty() || last.contains(QLatin1Char('.')))
        return fileName;
    return fileName + QLatin1Char('.') + defaultExt;
}

template <typename Show>
void CommonDialog::show(Show showIt, bool isFileDialog)
{
    // The service works on a copy, so a cancel can never leave half-changed values.
    DialogValues chosen = *this;
    if (!showIt(chosen))
        return;
    if (isFileDialog)
        chosen.FileName = withDefaultExtension(chosen.FileName, chosen.DefaultExt);
    static_cast<DialogValues &>(*this) = chosen;
}

void CommonDialog::ShowOpen()
{
    show([this](DialogValues &v) { return m_service.showOpen(v); }, true);
}

void CommonDialog::ShowSave()
{
    show([this](DialogValues &v) { return m_service.showSave(v); }, true);
}

void CommonDialog::ShowFont()
{
    show([this](DialogValues &v) { return m_service.showFont(v); }, false);
}

void CommonDialog::ShowColor()
{
    show([this](DialogValues &v) { return m_service.showColor(v); }, false);
}

} // namespace borovka

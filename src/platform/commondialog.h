#pragma once

#include "dialogservice.h"

namespace borovka {

// The window's one dialog object. It keeps every value from one use to
// the next; nothing resets it. A cancelled dialog returns normally and
// leaves every value as it was.
class CommonDialog : public DialogValues {
public:
    explicit CommonDialog(DialogService &service) : m_service(service) {}

    void ShowOpen();
    void ShowSave();
    void ShowFont();
    void ShowColor();

    DialogService &service() const { return m_service; }

private:
    template <typename Show>
    void show(Show showIt, bool isFileDialog);

    DialogService &m_service;
};

// True for a name with the wildcards a file dialog lists files by ("*.kln"):
// a pattern, never a file to load or write.
bool isFilePattern(const QString &fileName);

// Adds `defaultExt` to a file name whose last part has no extension.
QString withDefaultExtension(const QString &fileName, const QString &defaultExt);

} // namespace borovka

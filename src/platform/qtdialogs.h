#pragma once

#include "dialogservice.h"

#include <QStringList>

class QWidget;

namespace borovka {

// The real dialogs: Qt's file and colour dialogs, a font dialog that also
// offers underline, strikethrough and the text colour, and QMessageBox.
class QtDialogs : public DialogService {
public:
    explicit QtDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    bool showOpen(DialogValues &values) override;
    bool showSave(DialogValues &values) override;
    bool showFont(DialogValues &values) override;
    bool showColor(DialogValues &values) override;
    int messageBox(const QString &prompt, int buttons, const QString &title) override;

    // The type entries a file dialog shows for `filter`. A text that
    // carries its own "(pattern)" is shown as it is; one without gets the
    // name field's pattern (or "*") added, so Qt lists the right files.
    // "Description|pattern|..." pairs give one entry each.
    static QStringList nameFiltersFor(const QString &filter, const QString &fileName);

private:
    bool showFile(DialogValues &values, bool save);

    QWidget *m_parent;
};

} // namespace borovka

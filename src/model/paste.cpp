#include "paste.h"

#include "pictures.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFormat>
#include <QUrl>

namespace model {

namespace {

// The pictures' bytes first: the inserted text shows them at once.
void copyPictures(const QTextDocument &source, QTextDocument *target)
{
    for (const QTextFormat &f : source.allFormats()) {
        if (!f.isImageFormat())
            continue;
        const QString name = f.toImageFormat().name();
        const QUrl bytesUrl = pictureBytesUrl(name);
        const QVariant bytes = source.resource(QTextDocument::UserResource, bytesUrl);
        if (!bytes.isValid())
            continue;
        target->addResource(QTextDocument::UserResource, bytesUrl, bytes);
        target->addResource(QTextDocument::ImageResource, QUrl(name),
                            source.resource(QTextDocument::ImageResource, QUrl(name)));
    }
}

} // namespace

void insertDocument(QTextCursor &cursor, const QTextDocument &source)
{
    copyPictures(source, cursor.document());
    cursor.insertFragment(QTextDocumentFragment(&source));
}

void insertSelection(QTextCursor &cursor, const QTextCursor &selection)
{
    if (selection.document())
        copyPictures(*selection.document(), cursor.document());
    cursor.insertFragment(selection.selection());
}

} // namespace model

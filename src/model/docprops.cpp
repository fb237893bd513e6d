#include "docprops.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <utility>
#include <vector>

namespace model {

QTextCharFormat typingFormat(const QTextCharFormat &before, const QTextCharFormat &after)
{
    QTextCharFormat f = before;
    for (const int p : {int(NoteId), int(NoteRtf), int(NoteText), int(NoteKind), int(NoteAutoNumber), int(NoteSelfMark),
                        int(OpaqueRtf), int(OpaqueText), int(OpaqueWordXml), int(OpaqueOdfXml),
                        int(CommentAuthor), int(CommentInitials), int(CommentDate), int(BookmarkStart),
                        int(BookmarkEnd), int(QTextFormat::ObjectType)})
        f.clearProperty(p);
    if (f.intProperty(WrapId) != after.intProperty(WrapId)) {
        f.clearProperty(WrapId);
        f.clearProperty(WrapRtf);
        f.clearProperty(FieldInstruction);
    }
    return f;
}

namespace {

// The page words a document keeps ("\\paperw11906\\margl1134\\landscape"),
// as (name, number) pairs in their order; a word without a number has
// an empty one.
std::vector<std::pair<QString, QString>> pageWords(const QTextDocument &doc)
{
    static const QRegularExpression word(QStringLiteral("\\\\([a-z]+)(-?\\d+)?"));
    std::vector<std::pair<QString, QString>> words;
    const QString text = doc.rootFrame()->frameFormat().stringProperty(DocPageWords);
    for (const QRegularExpressionMatch &m : word.globalMatch(text))
        words.emplace_back(m.captured(1), m.captured(2));
    return words;
}

struct PageField {
    const char16_t *name;
    int PageSetup::*value;
};
constexpr PageField pageFields[] = {{u"paperw", &PageSetup::width},        {u"paperh", &PageSetup::height},
                                    {u"margl", &PageSetup::marginLeft},    {u"margr", &PageSetup::marginRight},
                                    {u"margt", &PageSetup::marginTop},     {u"margb", &PageSetup::marginBottom},
                                    {u"gutter", &PageSetup::gutter}};

} // namespace

PageSetup pageSetup(const QTextDocument &doc)
{
    PageSetup page;
    for (const auto &[name, number] : pageWords(doc)) {
        if (name == u"landscape")
            page.landscape = true;
        for (const PageField &f : pageFields) {
            if (name == f.name && !number.isEmpty())
                page.*f.value = number.toInt();
        }
    }
    return page;
}

void setPageSetup(QTextDocument &doc, const PageSetup &page)
{
    auto words = pageWords(doc);
    for (const PageField &f : pageFields) {
        const int v = page.*f.value;
        auto it = std::find_if(words.begin(), words.end(), [&](const auto &w) { return w.first == f.name; });
        if (v < 0) {
            if (it != words.end())
                words.erase(it);
        } else if (it != words.end()) {
            it->second = QString::number(v);
        } else {
            words.emplace_back(QString::fromUtf16(f.name), QString::number(v));
        }
    }
    std::erase_if(words, [](const auto &w) { return w.first == u"landscape"; });
    if (page.landscape)
        words.emplace_back(QStringLiteral("landscape"), QString());
    QString text;
    for (const auto &[name, number] : words)
        text += u'\\' + name + number;
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    if (text.isEmpty())
        root.clearProperty(DocPageWords);
    else
        root.setProperty(DocPageWords, text);
    doc.rootFrame()->setFrameFormat(root);
}

QVariantMap documentInfo(const QTextDocument &doc)
{
    return doc.rootFrame()->frameFormat().property(DocInfo).toMap();
}

void setDocumentInfo(QTextDocument &doc, const QVariantMap &info)
{
    QVariantMap kept;
    for (auto it = info.cbegin(); it != info.cend(); ++it) {
        const bool empty = it->typeId() == QMetaType::QDateTime ? !it->toDateTime().isValid()
                                                                : it->toString().trimmed().isEmpty();
        if (!empty)
            kept.insert(it.key(), it->typeId() == QMetaType::QDateTime ? *it : QVariant(it->toString().trimmed()));
    }
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    if (kept.isEmpty())
        root.clearProperty(DocInfo);
    else
        root.setProperty(DocInfo, kept);
    doc.rootFrame()->setFrameFormat(root);
    const QString title = kept.value(QStringLiteral("title")).toString();
    if (!title.isEmpty())
        doc.setMetaInformation(QTextDocument::DocumentTitle, title);
}

} // namespace model

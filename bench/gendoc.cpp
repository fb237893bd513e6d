// Writes the benchmark documents to disk for the whole-process comparisons:
//   borovka-bench-gen SIZE OUT.rtf [EXPECTED.txt]
//   borovka-bench-gen photosN OUT.rtf
// SIZE as 10k, 1m, 50m (binary units). EXPECTED.txt receives the text a
// converter must produce, made alongside the RTF, not by reading it back.
// photosN is the article with N camera photographs (photos6: about 95 MB).

#include "docgen.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString what = args.value(0);
    const int photos = what.startsWith(QLatin1String("photos")) ? what.mid(6).toInt() : 0;
    const qint64 bytes = photos > 0 ? 0 : benchdoc::parseSize(what);
    if (args.size() < 2 || args.size() > 3 || (bytes <= 0 && photos <= 0) || (photos > 0 && args.size() > 2)) {
        std::fputs("usage: borovka-bench-gen SIZE OUT.rtf [EXPECTED.txt]\n"
                   "       borovka-bench-gen photosN OUT.rtf\n", stderr);
        return 2;
    }
    const benchdoc::Document d = photos > 0 ? benchdoc::photoArticle(photos) : benchdoc::magazine(bytes);
    if (!writeFile(args.at(1), d.rtf) || (args.size() == 3 && !writeFile(args.at(2), d.text))) {
        std::fprintf(stderr, "borovka-bench-gen: cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    std::printf("%s: %lld bytes of RTF, %d paragraphs, %d runs\n", qPrintable(args.at(1)),
                static_cast<long long>(d.rtf.size()), d.paragraphs, d.runs);
    return 0;
}

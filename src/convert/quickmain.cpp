// borovka-convert as the user starts it. A simple RTF file to text is
// converted here, with nothing of Qt but its core: a small article takes
// what starting a program takes. Everything else (other outputs, batch
// mode, files the quick reader leaves to the document, every error) is
// the full converter's, which this program becomes with the same
// arguments.

#include "rtf/quicktext.h"
#include "rtf/rtf.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

bool hasSuffix(const char *path, std::initializer_list<const char *> suffixes)
{
    const QString suffix = QFileInfo(QString::fromLocal8Bit(path)).suffix();
    for (const char *s : suffixes) {
        if (suffix.compare(QLatin1StringView(s), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// True when INPUT OUTPUT.txt (with --verbose or without) was converted.
bool convertedQuickly(int argc, char *argv[])
{
    std::vector<const char *> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0)
            continue;
        if (argv[i][0] == '-')
            return false;
        args.push_back(argv[i]);
    }
    if (args.size() != 2 || !hasSuffix(args[1], {"txt"}) || hasSuffix(args[0], {"html", "htm"}))
        return false;
    const QString input = QString::fromLocal8Bit(args[0]);
    QFile in(input);
    if (QFileInfo(input).isDir() || !in.open(QIODevice::ReadOnly) || in.size() > rtf::maxInputSize())
        return false;
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    const std::optional<QByteArray> text = rtf::quickPlainText(data);
    if (!text)
        return false;
    QSaveFile out(QString::fromLocal8Bit(args[1]));
    if (out.open(QIODevice::WriteOnly) && out.write(*text) == text->size() && out.commit())
        return true;
    out.cancelWriting();
    return false; // the full converter tries again and says why it cannot
}

// The full converter: beside this program in the build, in the package's
// own folder once installed.
std::string fullConverter()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const std::filesystem::path dir = self.parent_path();
    for (const std::filesystem::path &candidate :
         {dir / "borovka-convert-full", dir / BOROVKA_CONVERT_FULL_INSTALLED}) {
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    if (convertedQuickly(argc, argv))
        return 0;
    const std::string full = fullConverter();
    if (!full.empty())
        ::execv(full.c_str(), argv);
    std::fprintf(stderr, "borovka-convert: nelze spustit převodník %s: %s\n",
                 full.empty() ? "borovka-convert-full" : full.c_str(), std::strerror(errno ? errno : ENOENT));
    return 1;
}

// The reader's limits that depend on the machine or that tests lower.

#include "readerlimits.h"
#include "rtf.h"

#include <unistd.h>

namespace rtf {
namespace detail {

namespace {
// Per thread: a test lowering them must not change what readers on other
// threads (the converter's batch workers) accept.
thread_local qint64 t_paragraphLimit = 0; // 0: limits::maxParagraphs
thread_local qint64 t_inputLimit = 0;     // 0: limits::maxInputBytes
} // namespace

qint64 inputLimit()
{
    return t_inputLimit > 0 ? t_inputLimit : limits::maxInputBytes;
}

qint64 paragraphLimit()
{
    return t_paragraphLimit > 0 ? t_paragraphLimit : limits::maxParagraphs;
}

void setParagraphLimitForTesting(qint64 limit)
{
    t_paragraphLimit = std::max<qint64>(0, limit);
}

void setInputLimitForTesting(qint64 limit)
{
    t_inputLimit = std::max<qint64>(0, limit);
}

} // namespace detail

qint64 maxInputSize()
{
    return detail::inputLimit();
}

namespace limits {

qint64 inputCeiling()
{
    constexpr qint64 least = 1ll << 30;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return least;
    return std::max(least, qint64(pages) / 4 * pageSize);
}

} // namespace limits

} // namespace rtf

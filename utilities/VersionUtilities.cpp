#include "utilities/VersionUtilities.h"

#include <QStringList>
#include <algorithm>
#include <climits>

namespace {

// The leading decimal integer of a text: blanks skipped, an optional sign, then
// digits; no digits reads 0, and values beyond the int range saturate.
int leadingInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    long long value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -value : value);
}

} // namespace

int32_t EncodeVersion(const QString& version) {
    const QStringList parts = version.split(u'.');
    if (parts.size() > 3)
        return 0;
    // Unsigned arithmetic: a huge or negative component wraps instead of overflowing.
    uint32_t packed = uint32_t(leadingInteger(parts.at(0))) << 8;
    if (parts.size() >= 2)
        packed += uint32_t(std::min(leadingInteger(parts.at(1)), 15)) << 4;
    if (parts.size() == 3)
        packed += uint32_t(std::min(leadingInteger(parts.at(2)), 15));
    return int32_t(packed);
}

QString DecodeVersion(int32_t packed) {
    const int32_t major = packed >> 8;
    return QString::asprintf("%d.%d.%d", major, (packed >> 4) - major * 16, packed & 0xF);
}

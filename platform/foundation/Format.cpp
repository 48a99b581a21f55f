#include "platform/foundation/Format.h"

#include <QByteArray>
#include <QDateTime>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <optional>
#include <vector>

namespace {

// Wider fields are taken as a damaged format rather than a request for
// megabytes of padding.
constexpr int kMaxField = 1000;

enum class Length { None, Char, Short, Long, LongLong, LongDouble, Size, Max, PtrDiff, Quad };

struct Conversion {
    int position = 0; // 1-based; 0 takes the next argument in turn
    bool minus = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool hash = false;
    int width = -1;
    int precision = -1;
    Length length = Length::None;
    char16_t type = 0;
    qsizetype end = 0; // index just past the conversion
};

// Digits at i, at most kMaxField; nullopt when there are none or too many.
std::optional<int> readNumber(const QString& f, qsizetype& i) {
    const qsizetype start = i;
    int value = 0;
    while (i < f.size() && f.at(i).unicode() >= '0' && f.at(i).unicode() <= '9') {
        value = value * 10 + (f.at(i).unicode() - '0');
        if (value > kMaxField)
            return std::nullopt;
        ++i;
    }
    if (i == start)
        return std::nullopt;
    return value;
}

bool isDigit(const QString& f, qsizetype i, char16_t low = '0') {
    return i < f.size() && f.at(i).unicode() >= low && f.at(i).unicode() <= '9';
}

// Parses the conversion whose '%' is at start; nullopt when it is malformed.
std::optional<Conversion> parseConversion(const QString& f, qsizetype start) {
    Conversion c;
    qsizetype i = start + 1;

    if (isDigit(f, i, '1')) {
        qsizetype j = i;
        const std::optional<int> n = readNumber(f, j);
        if (n && j < f.size() && f.at(j) == QLatin1Char('$')) {
            c.position = *n;
            i = j + 1;
        }
    }

    for (; i < f.size(); ++i) {
        const char16_t u = f.at(i).unicode();
        if (u == '-')
            c.minus = true;
        else if (u == '0')
            c.zero = true;
        else if (u == '+')
            c.plus = true;
        else if (u == ' ')
            c.space = true;
        else if (u == '#')
            c.hash = true;
        else
            break;
    }

    if (isDigit(f, i)) {
        const std::optional<int> w = readNumber(f, i);
        if (!w)
            return std::nullopt;
        c.width = *w;
    }
    if (i < f.size() && f.at(i) == QLatin1Char('.')) {
        ++i;
        c.precision = 0;
        if (isDigit(f, i)) {
            const std::optional<int> p = readNumber(f, i);
            if (!p)
                return std::nullopt;
            c.precision = *p;
        }
    }

    const auto at = [&](qsizetype k) { return k < f.size() ? f.at(k).unicode() : char16_t(0); };
    switch (at(i)) {
    case 'h':
        c.length = at(i + 1) == 'h' ? Length::Char : Length::Short;
        i += c.length == Length::Char ? 2 : 1;
        break;
    case 'l':
        c.length = at(i + 1) == 'l' ? Length::LongLong : Length::Long;
        i += c.length == Length::LongLong ? 2 : 1;
        break;
    case 'q':
        c.length = Length::Quad;
        ++i;
        break;
    case 'L':
        c.length = Length::LongDouble;
        ++i;
        break;
    case 'z':
        c.length = Length::Size;
        ++i;
        break;
    case 'j':
        c.length = Length::Max;
        ++i;
        break;
    case 't':
        c.length = Length::PtrDiff;
        ++i;
        break;
    default:
        break;
    }

    const char16_t type = at(i);
    switch (type) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'c':
    case 's':
    case '@':
        c.type = type;
        c.end = i + 1;
        return c;
    default:
        return std::nullopt;
    }
}

// snprintf in the "C" locale, with a format built here from validated pieces.
class CLocaleScope {
public:
    CLocaleScope() {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        if (cLocale)
            _previous = uselocale(cLocale);
    }
    ~CLocaleScope() {
        if (_previous)
            uselocale(_previous);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t _previous = locale_t(nullptr);
};

template <typename T> QString cFormat(const QByteArray& spec, T value) {
    CLocaleScope scope;
    const int size = std::snprintf(nullptr, 0, spec.constData(), value);
    if (size < 0)
        return {};
    std::vector<char> buffer(size_t(size) + 1);
    std::snprintf(buffer.data(), buffer.size(), spec.constData(), value);
    return QString::fromLatin1(buffer.data(), size);
}

// "%" with the chosen flags, width and precision; the caller appends the
// length and conversion letters.
QByteArray specPrefix(const Conversion& c, const char* allowedFlags) {
    QByteArray spec("%");
    const auto flag = [&](bool on, char ch) {
        if (on && std::strchr(allowedFlags, ch))
            spec.append(ch);
    };
    flag(c.minus, '-');
    flag(c.zero && !c.minus, '0');
    flag(c.plus, '+');
    flag(c.space && !c.plus, ' ');
    flag(c.hash, '#');
    if (c.width >= 0)
        spec.append(QByteArray::number(c.width));
    if (c.precision >= 0)
        spec.append('.').append(QByteArray::number(c.precision));
    return spec;
}

struct Integer {
    bool isUnsigned = false;
    qint64 s = 0;
    quint64 u = 0;
};

std::optional<Integer> integerArgument(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return Integer{false, v.toLongLong(), 0};
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return Integer{true, 0, v.toULongLong()};
    default:
        return std::nullopt;
    }
}

std::optional<double> realArgument(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble();
    case QMetaType::Bool:
        return std::nullopt;
    default:
        if (const std::optional<Integer> n = integerArgument(v))
            return n->isUnsigned ? double(n->u) : double(n->s);
        return std::nullopt;
    }
}

int lengthBits(Length length) {
    switch (length) {
    case Length::Char:
        return 8;
    case Length::Short:
        return 16;
    case Length::None:
    case Length::LongDouble:
        return 32;
    default:
        return 64;
    }
}

std::optional<QString> formatInteger(const Conversion& c, const QVariant& arg) {
    const std::optional<Integer> n = integerArgument(arg);
    if (!n)
        return std::nullopt;
    const bool isSigned = c.type == 'd' || c.type == 'i';
    if (isSigned && !n->isUnsigned)
        return cFormat(specPrefix(c, "-0+ ") + "lld", static_cast<long long>(n->s));
    quint64 value = n->u;
    if (!n->isUnsigned) {
        const int bits = lengthBits(c.length);
        value = quint64(n->s);
        if (bits < 64 && n->s < 0 && n->s >= -(qint64(1) << (bits - 1)))
            value &= (quint64(1) << bits) - 1;
    }
    const char letter = isSigned ? 'u' : char(c.type);
    return cFormat(specPrefix(c, isSigned ? "-0" : "-0#") + "ll" + letter,
                   static_cast<unsigned long long>(value));
}

std::optional<QString> formatReal(const Conversion& c, const QVariant& arg) {
    const std::optional<double> d = realArgument(arg);
    if (!d)
        return std::nullopt;
    return cFormat(specPrefix(c, "-0+ #") + char(c.type), *d);
}

qsizetype codePointCount(const QString& s) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i, ++n)
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
    return n;
}

QString firstCodePoints(const QString& s, qsizetype count) {
    qsizetype i = 0;
    for (qsizetype n = 0; n < count && i < s.size(); ++n, ++i)
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
    return s.left(i);
}

QString padText(const Conversion& c, QString text) {
    if (c.precision >= 0)
        text = firstCodePoints(text, c.precision);
    const qsizetype missing = c.width - codePointCount(text);
    if (missing <= 0)
        return text;
    const QString pad(missing, QLatin1Char(' '));
    return c.minus ? text + pad : pad + text;
}

std::optional<QString> formatCharacter(const Conversion& c, const QVariant& arg) {
    char32_t code = 0;
    if (arg.typeId() == QMetaType::QChar) {
        code = arg.value<QChar>().unicode();
    } else if (const std::optional<Integer> n = integerArgument(arg);
               n && arg.typeId() != QMetaType::Bool) {
        if (n->isUnsigned ? n->u > 0x10FFFF : (n->s < 0 || n->s > 0x10FFFF))
            return std::nullopt;
        code = char32_t(n->isUnsigned ? n->u : quint64(n->s));
    } else {
        return std::nullopt;
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return padText(c, QString::fromUcs4(&code, 1));
}

std::optional<QString> formatText(const Conversion& c, const QVariant& arg) {
    switch (arg.typeId()) {
    case QMetaType::QString:
        return padText(c, arg.toString());
    case QMetaType::QByteArray:
        return padText(c, QString::fromUtf8(arg.toByteArray()));
    default:
        break;
    }
    if (!arg.isValid() || arg.isNull())
        return padText(c, QStringLiteral("(null)"));
    if (c.type == 's')
        return std::nullopt;
    switch (arg.typeId()) {
    case QMetaType::Bool:
        return padText(c, arg.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
    case QMetaType::QVariantList:
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
    case QMetaType::QStringList:
        return std::nullopt;
    default:
        if (!arg.canConvert<QString>())
            return std::nullopt;
        return padText(c, arg.toString());
    }
}

std::optional<QString> formatOne(const Conversion& c, const QVariant& arg) {
    switch (c.type) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        return formatInteger(c, arg);
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
        return formatReal(c, arg);
    case 'c':
        return formatCharacter(c, arg);
    default:
        return formatText(c, arg);
    }
}

} // namespace

QString formatString(const QString& format, const QVariantList& args) {
    QString out;
    out.reserve(format.size());
    qsizetype next = 0; // next argument for conversions without a position
    qsizetype i = 0;
    while (i < format.size()) {
        const qsizetype percent = format.indexOf(QLatin1Char('%'), i);
        if (percent < 0) {
            out.append(QStringView(format).mid(i));
            break;
        }
        out.append(QStringView(format).mid(i, percent - i));
        if (percent + 1 < format.size() && format.at(percent + 1) == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            i = percent + 2;
            continue;
        }
        const std::optional<Conversion> c = parseConversion(format, percent);
        if (!c) {
            out.append(QLatin1Char('%'));
            i = percent + 1;
            continue;
        }
        const qsizetype index = c->position > 0 ? c->position - 1 : next++;
        std::optional<QString> text;
        if (index < args.size())
            text = formatOne(*c, args.at(index));
        out.append(text ? *text : QStringView(format).mid(percent, c->end - percent).toString());
        i = c->end;
    }
    return out;
}

#include "platform/graphics/TextStorage.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

// Exact values kept beside Qt's own formats, so a document made from a text
// storage converts back without rounding.
enum : int {
    kExactColor = QTextFormat::UserProperty + 1,
    kBaselineOffset = QTextFormat::UserProperty + 2,
    kShadow = QTextFormat::UserProperty + 3,
    kExactParagraphStyle = QTextFormat::UserProperty + 4,
};

const TextAttributes kNoAttributes;

Qt::Alignment qtAlignment(qint32 alignment) {
    switch (alignment) {
    case ParagraphStyle::Left:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    case ParagraphStyle::Right:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case ParagraphStyle::Center:
        return Qt::AlignHCenter;
    case ParagraphStyle::Justified:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeading;
    }
}

qint32 alignmentFromQt(Qt::Alignment a) {
    if (a & Qt::AlignHCenter)
        return ParagraphStyle::Center;
    if (a & Qt::AlignJustify)
        return ParagraphStyle::Justified;
    if (a & Qt::AlignRight)
        return ParagraphStyle::Right;
    if ((a & Qt::AlignLeft) && (a & Qt::AlignAbsolute))
        return ParagraphStyle::Left;
    return ParagraphStyle::Natural;
}

QTextCharFormat charFormat(const TextAttributes& a) {
    QTextCharFormat f;
    if (a.font) {
        f.setFontFamilies(QStringList{a.font->familyName()});
        f.setFontPointSize(a.font->pointSize());
        f.setFontWeight(a.font->weight());
        f.setFontItalic(a.font->isItalic());
    }
    if (a.foregroundColor) {
        f.setForeground(a.foregroundColor->toQColor());
        f.setProperty(kExactColor, QVariant::fromValue(*a.foregroundColor));
    }
    if (a.kern) {
        f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        f.setFontLetterSpacing(*a.kern);
    }
    if (a.baselineOffset)
        f.setProperty(kBaselineOffset, double(*a.baselineOffset));
    if (a.shadow)
        f.setProperty(kShadow, QVariant::fromValue(*a.shadow));
    return f;
}

QTextBlockFormat blockFormat(const ParagraphStyle& p) {
    QTextBlockFormat f;
    f.setAlignment(qtAlignment(p.alignment));
    if (p.lineHeightMultiple > 0)
        f.setLineHeight(p.lineHeightMultiple * 100, QTextBlockFormat::ProportionalHeight);
    else if (p.lineSpacing != 0)
        f.setLineHeight(p.lineSpacing, QTextBlockFormat::LineDistanceHeight);
    else if (p.minimumLineHeight > 0)
        f.setLineHeight(p.minimumLineHeight, QTextBlockFormat::MinimumHeight);
    f.setProperty(kExactParagraphStyle, QVariant::fromValue(p));
    return f;
}

std::optional<ParagraphStyle> paragraphStyle(const QTextBlockFormat& f) {
    const QVariant exact = f.property(kExactParagraphStyle);
    if (exact.canConvert<ParagraphStyle>()) {
        const ParagraphStyle p = exact.value<ParagraphStyle>();
        if (qtAlignment(p.alignment) == f.alignment())
            return p;
    }
    if (!f.hasProperty(QTextFormat::BlockAlignment) && !f.hasProperty(QTextFormat::LineHeight))
        return std::nullopt;
    ParagraphStyle p;
    p.alignment = alignmentFromQt(f.alignment());
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        p.lineHeightMultiple = float(f.lineHeight() / 100);
        break;
    case QTextBlockFormat::LineDistanceHeight:
        p.lineSpacing = float(f.lineHeight());
        break;
    case QTextBlockFormat::MinimumHeight:
        p.minimumLineHeight = float(f.lineHeight());
        break;
    default:
        break;
    }
    return p;
}

TextAttributes attributes(const QTextCharFormat& f, const QFont& defaultFont) {
    TextAttributes a;
    if (f.hasProperty(QTextFormat::FontFamilies) || f.hasProperty(QTextFormat::FontPointSize) ||
        f.hasProperty(QTextFormat::FontWeight) || f.hasProperty(QTextFormat::FontItalic)) {
        const QStringList families = f.fontFamilies().toStringList();
        const QString family = families.isEmpty() ? defaultFont.family() : families.first();
        const double size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                                      : defaultFont.pointSizeF();
        const int weight =
            f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() : defaultFont.weight();
        a.font = Font(family, float(size), weight, f.fontItalic());
    }
    if (f.hasProperty(QTextFormat::ForegroundBrush)) {
        const QColor qt = f.foreground().color();
        const QVariant exact = f.property(kExactColor);
        if (exact.canConvert<Color>() && exact.value<Color>().toQColor() == qt)
            a.foregroundColor = exact.value<Color>();
        else
            a.foregroundColor = Color::fromQColor(qt);
    }
    if (f.hasProperty(QTextFormat::FontLetterSpacing) &&
        f.fontLetterSpacingType() == QFont::AbsoluteSpacing)
        a.kern = float(f.fontLetterSpacing());
    if (f.hasProperty(kBaselineOffset))
        a.baselineOffset = float(f.doubleProperty(kBaselineOffset));
    const QVariant shadow = f.property(kShadow);
    if (shadow.canConvert<ShadowValue>())
        a.shadow = shadow.value<ShadowValue>();
    return a;
}

} // namespace

TextStorage::TextStorage(const QString& text, const TextAttributes& attributes) : _text(text) {
    if (!text.isEmpty())
        _runs.push_back({int(text.size()), attributes});
}

std::optional<TextStorage> TextStorage::fromRuns(const QString& text, std::vector<Run> runs) {
    qint64 total = 0;
    for (const Run& run : runs) {
        if (run.length <= 0)
            return std::nullopt;
        total += run.length;
    }
    if (total != text.size())
        return std::nullopt;
    TextStorage storage;
    storage._text = text;
    storage._runs = std::move(runs);
    storage.coalesce();
    return storage;
}

const TextAttributes& TextStorage::attributesAtIndex(int index) const {
    int pos = 0;
    for (const Run& run : _runs) {
        if (index >= pos && index < pos + run.length)
            return run.attributes;
        pos += run.length;
    }
    return kNoAttributes;
}

size_t TextStorage::splitAt(int at) {
    int pos = 0;
    for (size_t i = 0; i < _runs.size(); ++i) {
        if (at == pos)
            return i;
        if (at < pos + _runs[i].length) {
            Run tail{pos + _runs[i].length - at, _runs[i].attributes};
            _runs[i].length = at - pos;
            _runs.insert(_runs.begin() + std::ptrdiff_t(i) + 1, tail);
            return i + 1;
        }
        pos += _runs[i].length;
    }
    return _runs.size();
}

void TextStorage::coalesce() {
    std::vector<Run> merged;
    for (Run& run : _runs) {
        if (run.length <= 0)
            continue;
        if (!merged.empty() && merged.back().attributes == run.attributes)
            merged.back().length += run.length;
        else
            merged.push_back(std::move(run));
    }
    _runs = std::move(merged);
}

void TextStorage::replaceCharacters(int start, int count, const QString& text) {
    start = std::clamp(start, 0, length());
    count = std::clamp(count, 0, length() - start);
    TextAttributes attrs;
    if (count > 0)
        attrs = attributesAtIndex(start);
    else if (start > 0)
        attrs = attributesAtIndex(start - 1);
    else
        attrs = attributesAtIndex(0);
    const size_t first = splitAt(start);
    const size_t last = splitAt(start + count);
    _runs.erase(_runs.begin() + std::ptrdiff_t(first), _runs.begin() + std::ptrdiff_t(last));
    if (!text.isEmpty())
        _runs.insert(_runs.begin() + std::ptrdiff_t(first), Run{int(text.size()), attrs});
    _text.replace(start, count, text);
    coalesce();
}

void TextStorage::setAttributes(int start, int count, const TextAttributes& attributes) {
    modifyAttributes(start, count, [&](TextAttributes& a) { a = attributes; });
}

void TextStorage::modifyAttributes(int start, int count,
                                   const std::function<void(TextAttributes&)>& change) {
    start = std::clamp(start, 0, length());
    count = std::clamp(count, 0, length() - start);
    if (count == 0)
        return;
    const size_t first = splitAt(start);
    const size_t last = splitAt(start + count);
    for (size_t i = first; i < last; ++i)
        change(_runs[i].attributes);
    coalesce();
}

std::unique_ptr<QTextDocument> TextStorage::toTextDocument() const {
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    int pos = 0;
    for (const Run& run : _runs) {
        cursor.insertText(_text.mid(pos, run.length), charFormat(run.attributes));
        pos += run.length;
    }
    // Paragraph settings belong to blocks: each takes its first character's.
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const int at = std::min(block.position(), std::max(length() - 1, 0));
        const auto& style = attributesAtIndex(at).paragraphStyle;
        if (style)
            QTextCursor(block).setBlockFormat(blockFormat(*style));
    }
    return document;
}

TextStorage TextStorage::fromTextDocument(const QTextDocument& document) {
    const QFont defaultFont = document.defaultFont();
    TextStorage storage;
    auto append = [&](const QString& text, TextAttributes attrs) {
        if (text.isEmpty())
            return;
        storage._text += text;
        storage._runs.push_back({int(text.size()), std::move(attrs)});
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const auto style = paragraphStyle(block.blockFormat());
        if (block != document.begin()) {
            // The separator before a block carries the block's character format.
            TextAttributes a = attributes(block.charFormat(), defaultFont);
            a.paragraphStyle = paragraphStyle(block.previous().blockFormat());
            append(QStringLiteral("\n"), std::move(a));
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            TextAttributes a = attributes(fragment.charFormat(), defaultFont);
            a.paragraphStyle = style;
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            append(text, std::move(a));
        }
    }
    storage.coalesce();
    return storage;
}

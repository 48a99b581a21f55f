#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/graphics/TextAttributes.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QTextDocument;

// Rich text: characters with runs of attributes. Positions and lengths count
// UTF-16 code units, as QString does. Adjacent runs always differ, and the
// runs cover the text exactly.
class LUMISK_PLATFORM_EXPORT TextStorage {
public:
    struct Run {
        int length = 0;
        TextAttributes attributes;
        friend bool operator==(const Run&, const Run&) = default;
    };

    TextStorage() = default;
    explicit TextStorage(const QString& text, const TextAttributes& attributes = {});
    // Nothing when the runs don't cover the text exactly or have empty lengths.
    static std::optional<TextStorage> fromRuns(const QString& text, std::vector<Run> runs);

    const QString& string() const { return _text; }
    int length() const { return int(_text.size()); }
    const std::vector<Run>& runs() const { return _runs; }

    // The attributes at a position; the defaults (all absent) past the end.
    const TextAttributes& attributesAtIndex(int index) const;

    // Replaces characters; the new ones take the attributes of the first
    // replaced character (or of the one before when nothing is replaced).
    void replaceCharacters(int start, int length, const QString& text);
    void setString(const QString& text) { replaceCharacters(0, length(), text); }

    void setAttributes(int start, int length, const TextAttributes& attributes);
    // Changes the attributes of every run in the range through a function.
    void modifyAttributes(int start, int length,
                          const std::function<void(TextAttributes&)>& change);

    // A document with one block per paragraph; fonts, colours, kerning,
    // baseline offsets, alignment and line spacing become Qt formats.
    std::unique_ptr<QTextDocument> toTextDocument() const;
    static TextStorage fromTextDocument(const QTextDocument& document);

    friend bool operator==(const TextStorage&, const TextStorage&) = default;

private:
    // Splits the run holding position at so that a run starts there; answers its index.
    size_t splitAt(int at);
    void coalesce();

    QString _text;
    std::vector<Run> _runs;
};

// Batch assembly, percent-encoding and the request body.
#include "translate/translate_request.h"

#include "subtitle/entry_rows.h"
#include "subtitle/subtitle_document.h"

#include <algorithm>

namespace {
constexpr QChar kBatchSeparator = u'\r';

bool passesUnencoded(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '.';
}
} // namespace

BatchText assembleBatch(const QStringList& lines, int start) {
    BatchText batch;
    const int end = std::min<qsizetype>(qsizetype(start) + kMaxBatchLines, lines.size());
    for (int pos = start; pos < end; ++pos) {
        if (pos > start)
            batch.text += kBatchSeparator;
        batch.text += lines[pos];
    }
    batch.end = std::max(start, end);
    return batch;
}

QByteArray PercentEncode(const QByteArray& utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // Written straight into a buffer of the largest size and cut to length: appending a byte at a
    // time costs more than the rest of a batch's request.
    QByteArray out(utf8.size() * 3, Qt::Uninitialized);
    char* to = out.data();
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (passesUnencoded(c)) {
            *to++ = ch;
        } else {
            *to++ = '%';
            *to++ = kHex[c >> 4];
            *to++ = kHex[c & 0x0F];
        }
    }
    out.truncate(to - out.constData());
    return out;
}

QByteArray buildRequestBody(const QByteArray& langPair, const QString& batchText) {
    return "sl=" + langPair + "&ie=UTF-8&oe=UTF-8&client=gtx&dt=t&q=" + PercentEncode(batchText.toUtf8());
}

TranslateRequest requestForAllRows(const EntryRows& rows, const QByteArray& langPair,
                                   std::int32_t formatMode) {
    TranslateRequest request{langPair, {}, {}, formatMode};
    request.lines.reserve(rows.count());
    request.rows.reserve(rows.count());
    for (int row = 0; row < rows.count(); ++row) {
        request.lines.append(rows.at(row).original);
        request.rows.append(row);
    }
    return request;
}

QList<int> untranslatedRows(const EntryRows& rows) {
    QList<int> untranslated;
    for (int row = 0; row < rows.count(); ++row) {
        // An empty original has nothing to translate.
        if (rows.at(row).original.trimmed().isEmpty())
            continue;
        const QString translated = rows.at(row).translated.trimmed();
        if (translated.isEmpty() || translated == kUntranslated ||
            translated == rows.at(row).original.trimmed())
            untranslated.append(row);
    }
    return untranslated;
}

TranslateRequest requestForRows(const EntryRows& rows, QList<int> selected, const QByteArray& langPair,
                                std::int32_t formatMode) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    TranslateRequest request{langPair, {}, {}, formatMode};
    for (int row : selected) {
        if (row < 0 || row >= rows.count())
            continue;
        request.lines.append(rows.at(row).original);
        request.rows.append(row);
    }
    return request;
}

// TMX reading with QXmlStreamReader into one memory transaction, and writing with QXmlStreamWriter.
#include "memory/tmx.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

constexpr char kOriginProperty[] = "x-velmora-origin";
constexpr char kEngineProperty[] = "x-velmora-engine";
constexpr char kByHandProperty[] = "x-velmora-by-hand";
// How many units pass between two progress calls.
constexpr int kProgressEvery = 500;

// "20261207T120000Z", read by hand: QDateTime::fromString with a format costs more than the rest
// of a unit's reading.
qint64 parseDate(QStringView text) {
    if (text.size() != 16 || text[8] != u'T' || text[15] != u'Z')
        return 0;
    int fields[6] = {};
    const int starts[6] = {0, 4, 6, 9, 11, 13};
    const int lengths[6] = {4, 2, 2, 2, 2, 2};
    for (int f = 0; f < 6; ++f) {
        for (int k = starts[f]; k < starts[f] + lengths[f]; ++k) {
            if (!text[k].isDigit() || text[k].unicode() > u'9')
                return 0;
            fields[f] = fields[f] * 10 + (text[k].unicode() - u'0');
        }
    }
    const QDate date(fields[0], fields[1], fields[2]);
    const QTime time(fields[3], fields[4], fields[5]);
    if (!date.isValid() || !time.isValid())
        return 0;
    // Before 1970 is no date of a subtitle translation; such a unit counts as undated.
    return std::max<qint64>(0, QDateTime(date, time, QTimeZone::utc()).toSecsSinceEpoch());
}

QString formatDate(qint64 seconds) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
    const QDate d = when.date();
    const QTime t = when.time();
    return QString::asprintf("%04d%02d%02dT%02d%02d%02dZ", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

// Line breaks of any kind become velmora's line joiner.
QString segmentText(QString text) {
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && !(i > 0 && text[i - 1] == u'|'))
            out.append(u'|');
        out.append(text[i]);
    }
    return out;
}

struct Variant {
    QString language;
    QString text;
};

class TmxReader {
public:
    TmxReader(QIODevice& device, const QString& origin, const TmxSink& sink, const TmxProgress& progress)
        : m_xml(&device), m_device(device), m_origin(origin), m_sink(sink), m_progress(progress) {}

    TmxRead run() {
        bool root = false;
        while (!m_xml.atEnd() && !m_read.stopped && m_read.error.isEmpty()) {
            // readNext, not readNextStartElement: past the root's end the latter reports a
            // premature end of a complete document.
            if (m_xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QStringView name = m_xml.name();
            if (!root) {
                if (name != u"tmx")
                    return fail(QStringLiteral("this is no TMX file: it starts with <%1>").arg(name));
                root = true;
            } else if (name == u"header") {
                m_headerSource = m_xml.attributes().value(QLatin1String("srclang")).toString();
            } else if (name == u"tu") {
                readUnit();
            }
            // Everything else (body, the header's props and notes, ude and map) holds no unit, and
            // its children are met as the loop goes on.
        }
        if (!root && m_read.error.isEmpty())
            return fail(QStringLiteral("this is no TMX file: it holds no <tmx> element"));
        if (m_xml.hasError() && m_read.error.isEmpty())
            return fail(m_xml.errorString());
        return m_read;
    }

private:
    TmxRead fail(const QString& why) {
        m_read.error = why;
        m_read.line = m_xml.lineNumber();
        return m_read;
    }

    // Text up to the end of the current element, its children's text included (the native code
    // of inline elements is subtitle markup, which is what a unit keeps).
    std::optional<QString> elementText() {
        const QString text = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        if (m_xml.hasError())
            return std::nullopt;
        if (text.size() > kMaxSegmentLength) {
            fail(QStringLiteral("a segment longer than %1 characters").arg(kMaxSegmentLength));
            return std::nullopt;
        }
        return text;
    }

    void readUnit() {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        QString source = attributes.value(QLatin1String("srclang")).toString();
        if (source.isEmpty())
            source = m_headerSource;
        qint64 created = parseDate(attributes.value(QLatin1String("changedate")));
        if (created == 0)
            created = parseDate(attributes.value(QLatin1String("creationdate")));
        QString origin = m_origin;
        QString engine;
        bool byHand = true;
        QList<Variant> variants;
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"prop") {
                const QString type = m_xml.attributes().value(QLatin1String("type")).toString();
                const std::optional<QString> value = elementText();
                if (!value)
                    return;
                if (type == QLatin1String(kOriginProperty))
                    origin = *value;
                else if (type == QLatin1String(kEngineProperty))
                    engine = *value;
                else if (type == QLatin1String(kByHandProperty))
                    byHand = *value != u"no";
            } else if (name == u"tuv") {
                std::optional<Variant> v = readVariant();
                if (!v)
                    return;
                variants.append(*v);
            } else {
                m_xml.skipCurrentElement();
            }
        }
        if (m_xml.hasError())
            return;

        const QString sourceCode = languageFromTag(source);
        int pairs = 0;
        for (const Variant& from : variants) {
            if (from.language.isEmpty() || (!sourceCode.isEmpty() && from.language != sourceCode))
                continue;
            for (const Variant& to : variants) {
                if (to.language.isEmpty() || to.language == from.language)
                    continue;
                MemoryUnit unit;
                unit.languages = {from.language, to.language};
                unit.source = from.text;
                unit.target = to.text;
                unit.origin = origin;
                unit.byHand = byHand;
                unit.engine = byHand ? QString() : engine;
                unit.created = created;
                ++pairs;
                ++m_read.units;
                if (!m_sink(unit)) {
                    m_read.stopped = true;
                    return;
                }
            }
        }
        if (pairs == 0)
            ++m_read.skipped;
        if (m_progress && ++m_unitsSinceProgress >= kProgressEvery) {
            m_unitsSinceProgress = 0;
            if (!m_progress(m_device.pos(), m_device.size()))
                m_read.stopped = true;
        }
    }

    std::optional<Variant> readVariant() {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        // TMX 1.4 names the language xml:lang; 1.1 and some tools say lang.
        QStringView tag = attributes.value(QLatin1String("xml:lang"));
        if (tag.isEmpty())
            tag = attributes.value(QLatin1String("lang"));
        Variant v{languageFromTag(tag.toString()), {}};
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"seg") {
                const std::optional<QString> text = elementText();
                if (!text)
                    return std::nullopt;
                v.text = segmentText(*text);
            } else {
                m_xml.skipCurrentElement();
            }
        }
        if (m_xml.hasError())
            return std::nullopt;
        return v;
    }

    QXmlStreamReader m_xml;
    QIODevice& m_device;
    QString m_origin;
    const TmxSink& m_sink;
    const TmxProgress& m_progress;
    QString m_headerSource;
    TmxRead m_read;
    int m_unitsSinceProgress = 0;
};

// ---------------------------------------------------------------- writing

// XML 1.0 cannot carry control characters (tab and line feed aside) or unpaired surrogates, not
// even as references; they are left out.
QString xmlSafe(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append(c);
            out.append(text[++i]);
            continue;
        }
        if (c.isSurrogate() || (c.unicode() < 0x20 && c != u'\t' && c != u'\n') || c == u'\uFFFE' ||
            c == u'\uFFFF')
            continue;
        out.append(c);
    }
    return out;
}

struct Code {
    int start = 0;
    int length = 0;
    enum Kind { Placeholder, Begin, End, IsolatedBegin, IsolatedEnd } kind = Placeholder;
    int pair = 0;
};

// The lower-case name of an HTML-like tag, empty for other markup.
QString tagName(QStringView code, bool* closing) {
    *closing = code.size() > 2 && code[1] == u'/';
    if (!code.startsWith(u'<') || code.size() < 3)
        return {};
    qsizetype i = *closing ? 2 : 1;
    qsizetype end = i;
    while (end < code.size() && code[end].isLetterOrNumber())
        ++end;
    return code.mid(i, end - i).toString().toLower();
}

QList<Code> inlineCodes(const QString& text) {
    QList<Code> codes;
    QList<int> open; // indexes into codes of tags not closed yet
    int pairs = 0;
    for (int i = 0; i < text.size();) {
        if (text[i] == u'|') { // the line joiner, or a plain bar
            ++i;
            continue;
        }
        const Markup m = markupAt(text, i);
        if (m.length == 0) {
            ++i;
            continue;
        }
        Code code{i, m.length};
        bool closing = false;
        const QStringView written = QStringView(text).mid(i, m.length);
        const QString name = tagName(written, &closing);
        if (!name.isEmpty() && !m.isBreak && !written.endsWith(u"/>") && !written.at(1).isDigit()) {
            if (!closing) {
                code.kind = Code::IsolatedBegin;
                open.append(int(codes.size()));
            } else {
                code.kind = Code::IsolatedEnd;
                for (qsizetype k = open.size() - 1; k >= 0; --k) {
                    Code& begin = codes[open[k]];
                    bool ignored = false;
                    if (tagName(QStringView(text).mid(begin.start, begin.length), &ignored) == name) {
                        begin.kind = Code::Begin;
                        begin.pair = ++pairs;
                        code.kind = Code::End;
                        code.pair = pairs;
                        open.resize(k);
                        break;
                    }
                }
            }
        }
        codes.append(code);
        i += m.length;
    }
    return codes;
}

void writeSegment(QXmlStreamWriter& xml, const QString& text) {
    xml.writeStartElement(QStringLiteral("seg"));
    auto plain = [&](int from, int to) {
        if (to > from)
            xml.writeCharacters(xmlSafe(QStringView(text).mid(from, to - from))
                                    .replace(QStringLiteral("|\n"), QStringLiteral("\n")));
    };
    int at = 0;
    for (const Code& code : inlineCodes(text)) {
        plain(at, code.start);
        const QString written = xmlSafe(QStringView(text).mid(code.start, code.length));
        switch (code.kind) {
        case Code::Begin:
            xml.writeStartElement(QStringLiteral("bpt"));
            xml.writeAttribute(QStringLiteral("i"), QString::number(code.pair));
            break;
        case Code::End:
            xml.writeStartElement(QStringLiteral("ept"));
            xml.writeAttribute(QStringLiteral("i"), QString::number(code.pair));
            break;
        case Code::IsolatedBegin:
        case Code::IsolatedEnd:
            xml.writeStartElement(QStringLiteral("it"));
            xml.writeAttribute(QStringLiteral("pos"), code.kind == Code::IsolatedBegin
                                                          ? QStringLiteral("begin")
                                                          : QStringLiteral("end"));
            break;
        case Code::Placeholder:
            xml.writeStartElement(QStringLiteral("ph"));
            break;
        }
        xml.writeCharacters(written);
        xml.writeEndElement();
        at = code.start + code.length;
    }
    plain(at, int(text.size()));
    xml.writeEndElement();
}

} // namespace

TmxRead readTmx(QIODevice& device, const QString& origin, const TmxSink& sink, const TmxProgress& progress) {
    return TmxReader(device, origin, sink, progress).run();
}

TmxImport importTmx(MemoryStore& store, const QString& path, const TmxProgress& progress) {
    TmxImport result;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.message =
            errorMessage(QStringLiteral("%1 cannot be read (%2).").arg(path, file.errorString()));
        return result;
    }
    if (file.size() > kMaxTmxBytes) {
        result.message =
            errorMessage(QStringLiteral("%1 is %2 MB; TMX files up to %3 MB are imported. Nothing was "
                                        "imported.")
                             .arg(name)
                             .arg(file.size() >> 20)
                             .arg(kMaxTmxBytes >> 20));
        return result;
    }
    MemoryImport import(store);
    if (!import.ok()) {
        result.message = import.message();
        return result;
    }
    const TmxRead read = readTmx(
        file, name, [&](const MemoryUnit& unit) { return import.add(unit) != AddOutcome::Failed; }, progress);
    if (!read.error.isEmpty()) {
        result.message =
            errorMessage(QStringLiteral("The TMX file %1 cannot be imported: %2 (line %3). Nothing was "
                                        "imported.")
                             .arg(name, read.error)
                             .arg(read.line));
        return result;
    }
    if (import.message()) {
        result.message = import.message();
        return result;
    }
    if (read.stopped) {
        result.cancelled = true;
        return result;
    }
    if (std::optional<UserMessage> why = import.commit()) {
        result.message = why;
        return result;
    }
    result.read = read.units;
    result.added = import.counts().added;
    result.known = import.counts().known;
    result.skipped = read.skipped + import.counts().skipped;
    return result;
}

// ---------------------------------------------------------------- TmxWriter

struct TmxWriter::Private {
    explicit Private(QIODevice& device) : xml(&device) {}
    QXmlStreamWriter xml;
};

TmxWriter::TmxWriter(QIODevice& device, const QString& sourceTag) : d(std::make_unique<Private>(device)) {
    QXmlStreamWriter& xml = d->xml;
    // Written by hand: automatic indentation would put white space inside segments.
    xml.writeStartDocument();
    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeStartElement(QStringLiteral("tmx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.4"));
    xml.writeCharacters(QStringLiteral("\n  "));
    xml.writeEmptyElement(QStringLiteral("header"));
    xml.writeAttribute(QStringLiteral("creationtool"), QStringLiteral("velmora"));
    const QString version = QCoreApplication::applicationVersion();
    xml.writeAttribute(QStringLiteral("creationtoolversion"),
                       version.isEmpty() ? QStringLiteral("1") : version);
    xml.writeAttribute(QStringLiteral("segtype"), QStringLiteral("sentence"));
    xml.writeAttribute(QStringLiteral("o-tmf"), QStringLiteral("velmora"));
    xml.writeAttribute(QStringLiteral("adminlang"), QStringLiteral("en"));
    xml.writeAttribute(QStringLiteral("srclang"), sourceTag);
    xml.writeAttribute(QStringLiteral("datatype"), QStringLiteral("plaintext"));
    xml.writeCharacters(QStringLiteral("\n  "));
    xml.writeStartElement(QStringLiteral("body"));
}

TmxWriter::~TmxWriter() = default;

void TmxWriter::write(const MemoryUnit& unit) {
    QXmlStreamWriter& xml = d->xml;
    auto property = [&](const char* type, const QString& value) {
        xml.writeCharacters(QStringLiteral("\n      "));
        xml.writeStartElement(QStringLiteral("prop"));
        xml.writeAttribute(QStringLiteral("type"), QLatin1String(type));
        xml.writeCharacters(xmlSafe(value));
        xml.writeEndElement();
    };
    auto variant = [&](const QString& code, const QString& text) {
        xml.writeCharacters(QStringLiteral("\n      "));
        xml.writeStartElement(QStringLiteral("tuv"));
        xml.writeAttribute(QStringLiteral("xml:lang"), tagFromLanguage(code));
        writeSegment(xml, text);
        xml.writeEndElement();
    };
    xml.writeCharacters(QStringLiteral("\n    "));
    xml.writeStartElement(QStringLiteral("tu"));
    xml.writeAttribute(QStringLiteral("srclang"), tagFromLanguage(unit.languages.source));
    if (unit.created > 0)
        xml.writeAttribute(QStringLiteral("creationdate"), formatDate(unit.created));
    if (!unit.origin.isEmpty())
        property(kOriginProperty, unit.origin);
    property(kByHandProperty, unit.byHand ? QStringLiteral("yes") : QStringLiteral("no"));
    if (!unit.byHand && !unit.engine.isEmpty())
        property(kEngineProperty, unit.engine);
    variant(unit.languages.source, unit.source);
    variant(unit.languages.target, unit.target);
    xml.writeCharacters(QStringLiteral("\n    "));
    xml.writeEndElement();
}

bool TmxWriter::finish() {
    QXmlStreamWriter& xml = d->xml;
    xml.writeCharacters(QStringLiteral("\n  "));
    xml.writeEndElement(); // body
    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeEndElement(); // tmx
    xml.writeEndDocument();
    return !xml.hasError();
}

TmxExport exportTmx(const MemoryStore& store, const QString& path,
                    const std::optional<LanguagePair>& languages) {
    TmxExport result;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.message =
            errorMessage(QStringLiteral("%1 cannot be written (%2).").arg(path, file.errorString()));
        return result;
    }
    TmxWriter writer(file, languages ? tagFromLanguage(languages->source) : QStringLiteral("*all*"));
    const std::optional<UserMessage> failed = store.forEachUnit(
        [&](const MemoryUnit& unit) {
            writer.write(unit);
            ++result.units;
            return true;
        },
        languages);
    if (failed) {
        file.cancelWriting();
        result = TmxExport{0, failed};
        return result;
    }
    if (!writer.finish() || !file.commit()) {
        result = TmxExport{
            0, errorMessage(QStringLiteral("%1 could not be written (%2); the file is left as it was.")
                                .arg(path, file.errorString()))};
    }
    return result;
}

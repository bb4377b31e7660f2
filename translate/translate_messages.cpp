// The translation job's messages and its failure log.
#include "translate/translate_messages.h"

#include "support/program_folder.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Old entries go once the file is this large: the newest failure is the one the user asks about.
constexpr off_t kLogLimit = 256 * 1024;
// Enough of an error page or a captive portal to tell what answered.
constexpr qsizetype kAnswerExcerpt = 300;

QString whereToLook() {
    const QString log = translationLogPath();
    const QString readme = QStringLiteral("\"Troubleshooting\" in velmora's README says what to try.");
    if (log.isEmpty())
        return readme;
    return QStringLiteral("The details are in %1; ").arg(log) + readme;
}

// Control bytes and bytes of broken UTF-8 would garble a text file; keep them readable.
QByteArray printable(QByteArrayView bytes) {
    QByteArray out;
    for (char ch : bytes.first(std::min(bytes.size(), kAnswerExcerpt))) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n' || c == '\t' || (c >= 0x20 && c != 0x7F))
            out += ch;
        else
            out += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
    }
    return QString::fromUtf8(out).toUtf8();
}
} // namespace

QString translationLogPath() {
    const QString folder = logFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("translation.log");
}

bool appendFailureLog(const QString& path, const QString& what, QByteArrayView answer) {
    if (path.isEmpty())
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return false;
    }
    if (st.st_size > kLogLimit && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    QByteArray entry =
        QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + ' ' + what.toUtf8() + '\n';
    if (!answer.isEmpty()) {
        entry += "  answer (" + QByteArray::number(answer.size()) + " bytes): " + printable(answer);
        entry += answer.size() > kAnswerExcerpt ? "...\n" : "\n";
    }
    qsizetype written = 0;
    while (written < entry.size()) {
        const ssize_t n = ::write(fd, entry.constData() + written, size_t(entry.size() - written));
        if (n <= 0)
            break;
        written += n;
    }
    ::close(fd);
    return written == entry.size();
}

UserMessage networkUnavailableMessage() {
    return errorMessage(QStringLiteral("network is not available right now!"));
}

UserMessage emptyAnswerMessage() {
    return errorMessage(QStringLiteral("The translation service gave an empty answer. ") + whereToLook());
}

UserMessage translatorUnavailableMessage() {
    return errorMessage(QStringLiteral("The translator is not available now! ") + whereToLook());
}

UserMessage serviceBusyMessage(long status, int tries) {
    return errorMessage(QStringLiteral("The translation service stayed busy (HTTP %1) after %2 tries. ")
                            .arg(status)
                            .arg(tries) +
                        whereToLook());
}

UserMessage answerTooLongMessage() {
    return errorMessage(
        QStringLiteral("The translation service's answer is far longer than the lines sent. ") +
        whereToLook());
}

UserMessage linesMismatchMessage() {
    return errorMessage(
        QStringLiteral("The translation service's answer does not line up with the lines sent. ") +
        whereToLook());
}

UserMessage certificateRefusedMessage(const QString& host, const QString& reason) {
    return errorMessage(QStringLiteral("The certificate of %1 was refused (%2), so nothing was sent to it. ")
                            .arg(host, reason) +
                        whereToLook());
}

UserMessage curlMissingMessage(const QString& why) {
    return errorMessage(QStringLiteral("Nothing was sent: translation needs the libcurl library, and %1. "
                                       "Installing libcurl (package libcurl4) brings it back.")
                            .arg(why));
}

UserMessage plainHttpRefusedMessage(const QString& host) {
    return errorMessage(
        QStringLiteral("Nothing was sent: %1 is reached over plain http, which anyone on the way can read.")
            .arg(host));
}

UserMessage keyRefusedMessage(const QString& service) {
    return errorMessage(QStringLiteral("%1 refused the key: check the key set for it.").arg(service));
}

UserMessage quotaUsedUpMessage(const QString& service) {
    return errorMessage(QStringLiteral("The quota of the key for %1 is used up.").arg(service));
}

UserMessage serviceErrorMessage(const QString& service, long status, const QString& detail) {
    QString text = QStringLiteral("%1 refused the lines (HTTP %2)").arg(service).arg(status);
    if (!detail.isEmpty())
        text += QStringLiteral(": ") + detail.left(300);
    return errorMessage(text + QStringLiteral(". ") + whereToLook());
}

UserMessage engineNotStartedMessage(const QString& service, const QString& why) {
    return errorMessage(QStringLiteral("%1 could not be started: %2").arg(service, why));
}

UserMessage addressMissingMessage(const QString& service) {
    return errorMessage(QStringLiteral("No address is set for %1: say where its server is.").arg(service));
}

// What a translation job tells the user when it fails, and the log file that keeps the details.
#pragma once

#include "support/user_message.h"

#include <QByteArrayView>
#include <QString>

// The file in the log folder where failed jobs leave what the service said; empty before the log
// folder is decided (then nothing is written and the messages name no file).
QString translationLogPath();

// Appends one dated entry to `path`: what failed and the first bytes of the answer, if any. The file
// is opened without following links, must be a regular file of this user, and starts over once it
// has grown past a size no reader wants. False when nothing could be written.
bool appendFailureLog(const QString& path, const QString& what, QByteArrayView answer = {});

// "network is not available right now!": no connection could be set up at all.
UserMessage networkUnavailableMessage();
// The answer had no bytes.
UserMessage emptyAnswerMessage();
// What came back is no translation answer.
UserMessage translatorUnavailableMessage();
// The service kept answering "busy" (429) or a gateway error (502-504) until the tries ran out.
UserMessage serviceBusyMessage(long status, int tries);
// The answer is longer than any translation of the batch's lines can be.
UserMessage answerTooLongMessage();
// The answer's lines do not line up with the lines sent, even one line at a time.
UserMessage linesMismatchMessage();
// The service's certificate was refused: nothing was sent, and trying again cannot help.
UserMessage certificateRefusedMessage(const QString& host, const QString& reason);
// libcurl, which every engine's requests go through, could not be loaded; `why` says how.
UserMessage curlMissingMessage(const QString& why);
// The user said no to sending the lines unencrypted; or nobody could be asked.
UserMessage plainHttpRefusedMessage(const QString& host);

// 401 or 403: the service does not take the key (or wants one).
UserMessage keyRefusedMessage(const QString& service);
// The key's quota for the period is used up.
UserMessage quotaUsedUpMessage(const QString& service);
// Any other refusal, with the service's own words when it gave some.
UserMessage serviceErrorMessage(const QString& service, long status, const QString& detail);
// A local engine that could not be started or did not come up.
UserMessage engineNotStartedMessage(const QString& service, const QString& why);
// An engine that needs an address has none (or one that is no address).
UserMessage addressMissingMessage(const QString& service);

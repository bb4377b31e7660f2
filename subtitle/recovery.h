// Unsaved work kept in the user's cache folder while velmora runs, so that a crash or a kill loses
// at most the last minute of it: the file's format, this run's file, and the files of runs that
// ended without removing theirs.
#pragma once

#include "subtitle/entry_rows.h"
#include "subtitle/session_edit.h"
#include "subtitle/subtitle_document.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>
#include <optional>
#include <vector>

// Everything needed to bring the work back as it was: both sides' lists with the times and code
// pages, the rows as the grid showed them, which sides were unsaved and which files they came from.
struct RecoveryState {
    SubtitleDocument document;
    QVector<EntryRow> rows;
    // What each side's file lacked (SubtitleSession::unsavedChanges).
    SideMask originalUnsaved = 0;
    SideMask translatedUnsaved = 0;
    QString originalFile; // empty when the side has no file
    QString translatedFile;
    qint64 savedAtMs = 0; // milliseconds since 1970 (UTC)
};

struct RecoveryRead {
    std::optional<RecoveryState> state;
    // Why the file cannot be used, when there is no state.
    QString problem;
};

// A recovery file is read only whole: a header with a version, the content's length and its
// SHA-256, then the content. Anything that does not check out is refused with a reason.
QByteArray encodeRecovery(const RecoveryState& state);
RecoveryRead decodeRecovery(QByteArrayView bytes);
// The content alone, as it stands after the header.
RecoveryRead decodeRecoveryContent(QByteArrayView content, quint32 version = 2);

// Larger than any document of 400 KB files could make it.
inline constexpr qint64 kMaxRecoveryFileSize = 64 * 1024 * 1024;

// <the user's cache folder>/velmora/recovery.
QString defaultRecoveryFolder();

// This run's recovery file. A lock file beside it, held while the run lasts, tells other runs
// that it is not an orphan; the kernel lets go of the lock however the run ends.
class RecoveryFile {
public:
    explicit RecoveryFile(QString folder);
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile&) = delete;
    RecoveryFile& operator=(const RecoveryFile&) = delete;

    // Writes the state beside the file and renames it over the old one once complete, so the file
    // is always a whole one. False, with the reason in *error, when that failed.
    bool write(const RecoveryState& state, QString* error = nullptr);
    // The work is saved or given up: the file goes, and so does the lock.
    void remove();
    QString path() const;
    bool exists() const;

private:
    bool lock(QString* error);

    QString m_folder;
    QString m_base; // the folder and the run's name, without extension
    int m_lockFd = -1;
};

// The recovery file of a run that has ended, held (locked) while it is offered so that no other
// run offers it too.
class OrphanRecovery {
public:
    OrphanRecovery(QString path, int lockFd) : m_path(std::move(path)), m_lockFd(lockFd) {}
    ~OrphanRecovery();
    OrphanRecovery(OrphanRecovery&& other) noexcept;
    OrphanRecovery& operator=(OrphanRecovery&& other) noexcept;
    OrphanRecovery(const OrphanRecovery&) = delete;
    OrphanRecovery& operator=(const OrphanRecovery&) = delete;

    QString path() const { return m_path; }
    RecoveryRead read() const;
    // The work was restored or declined: the file, its lock and any half-written copy go.
    void discard();
    // A file that cannot be read is kept as "<path>.damaged", never offered again; returns that
    // path, or the old one when it could not be renamed.
    QString setAside();

private:
    void release();

    QString m_path;
    int m_lockFd = -1;
};

// The recovery files in the folder whose runs have ended, newest first. Files of runs still going
// are left alone; locks that dead runs left without a recovery file are cleared away.
std::vector<OrphanRecovery> claimOrphanRecoveries(const QString& folder);

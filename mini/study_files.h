// What mini reads and writes in velmora's data folder, and its command line.
#pragma once

#include "dictionary/dictionary_store.h"
#include "support/user_message.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// "word.lxd" for selector 0, "sentence.lxd" for any other, as velmora chooses them.
QString storeFileName(int selector);
// The schedule beside it: "word.schedule", "sentence.schedule".
QString scheduleFileName(int selector);

struct StoreRead {
    std::vector<DictionaryRecord> records;
    std::optional<UserMessage> message; // the file exists but could not be read
};
// The entries of a store file. Opened for reading only: mini never writes to the store, and a
// missing file is an empty store (velmora makes it on its next start).
StoreRead readStoreFile(const QString& path);

struct MiniOptions {
    int selector = kSentences;
    bool help = false;
    bool version = false;
    QString error; // set when the command line cannot be used
};
// arguments[0] is the program. "-f N" (also "-fN", "--file N", "--file=N") picks the list: 0 the
// vocabulary, any other whole number the dictionary; without it, the dictionary.
MiniOptions parseMiniOptions(const QStringList& arguments);
QString miniHelpText();

// The file name a save dialog proposes, so that a translator saving a season's files does not type
// each name: the side's own file, in the folder it came from.
#pragma once

#include "subtitle/subtitle_writer.h"

#include <QString>
#include <QStringView>

// `extension` is the saved format's (or "txt"), without the dot; `languageCode` the target
// language's ("fr", "zh-TW"). A side saved before keeps its name; a translation not yet saved takes
// the original's name with the target language's code in place of the original's
// ("film.en.srt" → "film.fr.srt"); a mix takes "mix" there. Empty when no file was loaded.
QString suggestedSaveName(SaveKind kind, const QString& originalFile, const QString& translatedFile,
                          const QString& languageCode, QStringView extension);

// The layers the build promises, checked on every file: which top folder may include which, and no
// Qt GUI or widget header anywhere a headless target can reach, even by way of another header.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Layer {
    QString folder;
    // Its files build into the core or another widget-free target.
    bool headless;
    QStringList mayInclude;
};

const QStringList kCore = {"translate", "memory",  "review",     "edit",
                           "subtitle",  "charset", "dictionary", "support"};

// Downwards only: the programs over the windows they share (ui/) and the core's features, over the
// documents, over the tables and the store, over support. A top folder that is in neither list fails the
// check until it is given a place here.
const std::vector<Layer> kLayers = {
    {"app", false, QStringList{"media", "ui"} + kCore},
    {"cli", false, kCore},
    {"media", false, QStringList{"ui"} + kCore},
    {"player", false, QStringList{"ui"} + kCore},
    {"mini", false, QStringList{"ui"} + kCore},
    {"ui", false, {"support"}},
    {"translate", true, {"subtitle", "charset", "dictionary", "support"}},
    {"memory", true, {"subtitle", "charset", "dictionary", "support"}},
    {"review", true, {"subtitle", "charset", "dictionary", "support"}},
    {"edit", true, {"subtitle", "charset", "dictionary", "support"}},
    {"subtitle", true, {"charset", "dictionary", "support"}},
    {"charset", true, {"support"}},
    {"dictionary", true, {"support"}},
    {"support", true, {}},
};
// Inside a folder: headers that files under a path may not include, but for the files named.
struct Ban {
    QString under;
    QString header;
    QString why;
    QStringList except;
};
const std::vector<Ban> kBans = {
    // A feature's commands see the program through their context; the frame registers its own.
    {"app/commands/",
     "app/main_frame.h",
     "commands reach the program through their context",
     {"app/commands/shell_commands.cpp"}},
};

// Folders outside the layers: they may include anything.
const QStringList kUnlayered = {"tests", "fuzz", "bench", "tools", "packaging", "doc"};

struct Include {
    bool quoted;
    QString name;
};

QList<Include> includesOf(const QString& path) {
    static const QRegularExpression line(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"),
                                         QRegularExpression::MultilineOption);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QList<Include> includes;
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        includes.append({m.captured(1) == u'"', m.captured(2)});
    }
    return includes;
}

bool isCppFile(const QString& name) {
    return name.endsWith(QLatin1String(".cpp")) || name.endsWith(QLatin1String(".h"));
}

class LayerCheck {
public:
    // guiHeaders: the file names in Qt's GUI and widget header folders (QColor, QWidget, qpainter.h ...).
    LayerCheck(QString root, std::vector<Layer> layers, QSet<QString> guiHeaders)
        : m_root(QDir(root).absolutePath() + u'/'), m_layers(std::move(layers)),
          m_gui(std::move(guiHeaders)) {}

    // Every file of the tree, plus the sources of the widget-free targets (paths from the root).
    QStringList violations(const QStringList& headlessSources) {
        QStringList found;
        const QDir root(m_root);
        for (const QFileInfo& top : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString folder = top.fileName();
            // Build folders and hidden ones are not sources.
            if (folder.startsWith(u'.') || folder.startsWith(QLatin1String("build")) ||
                QFileInfo::exists(top.filePath() + "/CMakeCache.txt") || kUnlayered.contains(folder) ||
                !containsCpp(top.filePath()))
                continue;
            const Layer* layer = layerOf(folder);
            if (!layer) {
                found.append(folder + QStringLiteral("/: a top folder without a place in the layers"));
                continue;
            }
            QDirIterator it(top.filePath(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                if (!isCppFile(path))
                    continue;
                const QString file = path.mid(m_root.size());
                checkEdges(file, *layer, found);
                if (layer->headless)
                    checkHeadless(file, found);
            }
        }
        for (const QString& file : headlessSources)
            checkHeadless(file, found);
        found.removeDuplicates();
        return found;
    }

private:
    static bool containsCpp(const QString& folder) {
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            if (isCppFile(it.next()))
                return true;
        return false;
    }

    const Layer* layerOf(const QString& folder) const {
        for (const Layer& layer : m_layers)
            if (layer.folder == folder)
                return &layer;
        return nullptr;
    }

    bool isTopFolder(const QString& name) const {
        return layerOf(name) || kUnlayered.contains(name) || QFileInfo(m_root + name).isDir();
    }

    void checkEdges(const QString& file, const Layer& layer, QStringList& found) const {
        for (const Include& include : includesOf(m_root + file)) {
            const QString target = include.name.section(u'/', 0, 0);
            if (!include.quoted || !include.name.contains(u'/') || !isTopFolder(target))
                continue;
            if (target != layer.folder && !layer.mayInclude.contains(target))
                found.append(QStringLiteral("%1: includes %2 (%3/ may not include %4/)")
                                 .arg(file, include.name, layer.folder, target));
            for (const Ban& ban : kBans)
                if (file.startsWith(ban.under) && include.name == ban.header && !ban.except.contains(file))
                    found.append(QStringLiteral("%1: includes %2 (%3)").arg(file, include.name, ban.why));
        }
    }

    bool isGuiHeader(const QString& name) const {
        static const QRegularExpression module(QStringLiteral(R"(^Qt\w*(Gui|Widgets)(/|$))"));
        return module.match(name).hasMatch() || m_gui.contains(name);
    }

    // The file and everything it includes from the tree, followed to the end; a GUI header is
    // named at the file that includes it.
    void checkHeadless(const QString& file, QStringList& found) {
        if (m_headless.contains(file))
            return;
        m_headless.insert(file);
        const QString dir = QFileInfo(file).path();
        for (const Include& include : includesOf(m_root + file)) {
            if (!include.quoted) {
                if (isGuiHeader(include.name))
                    found.append(QStringLiteral("%1: includes <%2>, a GUI header, in code a widget-free "
                                                "target builds")
                                     .arg(file, include.name));
                continue;
            }
            QString next = include.name;
            if (!QFileInfo(m_root + next).isFile())
                next = dir + u'/' + include.name;
            // Not in the tree: generated (moc) files.
            if (QFileInfo(m_root + next).isFile())
                checkHeadless(QDir::cleanPath(next), found);
        }
    }

    QString m_root;
    std::vector<Layer> m_layers;
    QSet<QString> m_gui;
    QSet<QString> m_headless; // files already followed
};

QSet<QString> guiHeaderNames() {
    QSet<QString> names;
    for (const QString& dir : QString::fromUtf8(VELMORA_QT_GUI_HEADER_DIRS).split(u':', Qt::SkipEmptyParts))
        for (const QString& name : QDir(dir).entryList(QDir::Files))
            names.insert(name);
    return names;
}

QStringList headlessSources(const QString& root) {
    QFile list(QStringLiteral(VELMORA_HEADLESS_SOURCES));
    EXPECT_TRUE(list.open(QIODevice::ReadOnly)) << VELMORA_HEADLESS_SOURCES;
    QStringList files;
    const QString prefix = QDir(root).absolutePath() + u'/';
    for (const QString& line : QString::fromUtf8(list.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const QString path = QDir::cleanPath(line.trimmed());
        if (isCppFile(path) && path.startsWith(prefix))
            files.append(path.mid(prefix.size()));
    }
    return files;
}

TEST(Layering, EachBrokenRuleIsNamed) {
    struct Case {
        const char* what;
        QList<QPair<QString, QByteArray>> files;
        QStringList headless; // sources of a widget-free target outside the core folders
        QStringList expected;
    };
    const Case cases[] = {
        {"core reaches the shell",
         {{"subtitle/session.h", "#include \"app/command_table.h\"\n"}, {"app/command_table.h", ""}},
         {},
         {"subtitle/session.h: includes app/command_table.h (subtitle/ may not include app/)"}},
        {"a widget header by module path in the core",
         {{"charset/table.cpp", "#include <QtWidgets/QWidget>\n"}},
         {},
         {"charset/table.cpp: includes <QtWidgets/QWidget>, a GUI header, in code a widget-free target "
          "builds"}},
        {"a GUI class header reached through another header",
         {{"edit/ops.cpp", "#include \"edit/ops.h\"\n"}, {"edit/ops.h", "  #  include <QColor>\n"}},
         {},
         {"edit/ops.h: includes <QColor>, a GUI header, in code a widget-free target builds"}},
        {"a headless target in a program folder",
         {{"player/clock.cpp", "#include \"clock.h\"\n"}, {"player/clock.h", "#include <QPainter>\n"}},
         {"player/clock.cpp"},
         {"player/clock.h: includes <QPainter>, a GUI header, in code a widget-free target builds"}},
        {"upwards between core folders",
         {{"charset/a.h", "#include \"subtitle/b.h\"\n"}},
         {},
         {"charset/a.h: includes subtitle/b.h (charset/ may not include subtitle/)"}},
        {"a new top folder",
         {{"extras/x.cpp", ""}},
         {},
         {"extras/: a top folder without a place in the layers"}},
        {"a command reaches the frame",
         {{"app/commands/cut_commands.cpp", "#include \"app/main_frame.h\"\n"}, {"app/main_frame.h", ""}},
         {},
         {"app/commands/cut_commands.cpp: includes app/main_frame.h (commands reach the program through "
          "their context)"}},
        {"what is allowed",
         {{"app/frame.cpp", "#include <QWidget>\n#include \"media/pane.h\"\n#include \"subtitle/s.h\"\n"},
          {"subtitle/s.h", "#include <QString>\n#include \"charset/c.h\"\n// #include <QWidget>\n"},
          {"player/window.cpp", "#include <QWidget>\n"},
          {"tests/t.cpp", "#include \"app/frame.h\"\n"},
          {"app/commands/shell_commands.cpp", "#include \"app/main_frame.h\"\n"}},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        for (const auto& [name, bytes] : c.files) {
            QDir(root.path()).mkpath(QFileInfo(name).path());
            QFile f(root.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        LayerCheck check(root.path(), kLayers, {"QColor", "QPainter", "QWidget"});
        EXPECT_EQ(check.violations(c.headless).join(u'\n').toStdString(),
                  c.expected.join(u'\n').toStdString());
    }
}

TEST(Layering, TheTreeKeepsItsLayers) {
    const QString root = QStringLiteral(VELMORA_SOURCE_DIR);
    const QSet<QString> gui = guiHeaderNames();
    ASSERT_TRUE(gui.contains(QStringLiteral("QWidget")) && gui.contains(QStringLiteral("QColor")));
    const QStringList headless = headlessSources(root);
    ASSERT_FALSE(headless.isEmpty());
    LayerCheck check(root, kLayers, gui);
    const QStringList found = check.violations(headless);
    EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
}

} // namespace

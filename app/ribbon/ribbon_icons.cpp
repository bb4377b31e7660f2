// Ribbon images: the desktop icon theme first, Qt's standard icons as the fallback.
#include "app/ribbon/ribbon_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

struct IconSpec {
    CommandId id;
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

constexpr IconSpec kIcons[] = {
    {CommandId::LoadOriginal, "document-open", QStyle::SP_DialogOpenButton},
    {CommandId::LoadTranslated, "document-import", QStyle::SP_DirOpenIcon},
    {CommandId::Save, "document-save", QStyle::SP_DialogSaveButton},
    {CommandId::StartTranslate, "preferences-desktop-locale", QStyle::SP_BrowserReload},
    {CommandId::HelpTopics, "help-contents", QStyle::SP_DialogHelpButton},
    {CommandId::About, "help-about", QStyle::SP_MessageBoxInformation},
    {CommandId::WebPage, "internet-web-browser", QStyle::SP_DriveNetIcon},
    {CommandId::Exit, "application-exit", QStyle::SP_DialogCloseButton},
    {CommandId::RestoreOriginalTime, "edit-undo", QStyle::SP_DialogResetButton},
    {CommandId::SetDelay, "appointment-new", QStyle::SP_MediaSeekForward},
    {CommandId::CutLine, "edit-cut", QStyle::SP_LineEditClearButton},
    {CommandId::CopyLine, "edit-copy", QStyle::SP_FileLinkIcon},
    {CommandId::PasteLine, "edit-paste", QStyle::SP_FileDialogContentsView},
    {CommandId::InsertSubtitle, "list-add", QStyle::SP_FileIcon},
    {CommandId::InsertBefore, "go-up", QStyle::SP_ArrowUp},
    {CommandId::DeleteSelected, "edit-delete", QStyle::SP_TrashIcon},
    {CommandId::CombineSubtitles, "format-join-node", QStyle::SP_ToolBarVerticalExtensionButton},
    {CommandId::Search, "edit-find", QStyle::SP_FileDialogContentsView},
    {CommandId::FindNext, "go-down", QStyle::SP_ArrowDown},
    {CommandId::Replace, "edit-find-replace", QStyle::SP_BrowserReload},
    {CommandId::GoToLineNumber, "go-jump", QStyle::SP_ArrowForward},
    {CommandId::ViewDictionary, "accessories-dictionary", QStyle::SP_FileDialogDetailedView},
    {CommandId::StudyDictionary, "applications-education", QStyle::SP_FileDialogInfoView},
    {CommandId::ConvertFileCodeSchema, "view-refresh", QStyle::SP_BrowserReload},
    {CommandId::PlaySubtitle, "media-playback-start", QStyle::SP_MediaPlay},
};

} // namespace

QIcon ribbonIcon(CommandId id) {
    for (const IconSpec& spec : kIcons)
        if (spec.id == id)
            return QIcon::fromTheme(QString::fromLatin1(spec.themeName),
                                    QApplication::style()->standardIcon(spec.fallback));
    return {};
}

QIcon applicationButtonIcon() {
    QPixmap pm(40, 40);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x57, 0x9a));
    p.drawRoundedRect(QRectF(1, 1, 38, 38), 8, 8);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 20, 24, 4), 2, 2);
    p.drawRoundedRect(QRectF(12, 28, 16, 4), 2, 2);
    p.drawRoundedRect(QRectF(8, 9, 24, 7), 2, 2);
    return QIcon(pm);
}

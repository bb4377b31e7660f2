// The About dialog and its banner.
#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace {
QPixmap banner() {
    const int w = 420, h = 96;
    QPixmap pixmap(w, h);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(128, 0, 0));
    g.setColorAt(1, QColor(32, 64, 160));
    p.fillRect(pixmap.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    QFont title = p.font();
    title.setPointSize(28);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(20, 8, w - 40, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("velmora"));
    QFont sub = p.font();
    sub.setPointSize(10);
    sub.setBold(false);
    p.setFont(sub);
    p.drawText(QRect(22, 60, w - 44, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Subtitle translation editor"));
    return pixmap;
}
} // namespace

CNAboutDlg::CNAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    setObjectName(QStringLiteral("about"));
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("banner"));
    picture->setPixmap(banner());
    auto* version = new QLabel(kVersionLine, this);
    version->setObjectName(QStringLiteral("version"));
    version->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(picture);
    layout->addSpacing(8);
    layout->addWidget(version);
    layout->addSpacing(8);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(10, 0, 10, 0);
    row->addWidget(buttons);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

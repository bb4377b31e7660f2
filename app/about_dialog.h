// The About dialog: a banner, the version line and "OK".
#pragma once

#include <QDialog>

inline const QString kVersionLine = QStringLiteral("Version 4.9.0 Build on 11-3-2016");

class CNAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNAboutDlg(QWidget* parent = nullptr);
};

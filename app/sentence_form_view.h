// The "Dictionary Library" page of the Toolbox: adds sentence pairs to the dictionary.
#pragma once

#include "app/pair_form_view.h"

class CSentenceFormView : public PairFormView {
    Q_OBJECT
public:
    explicit CSentenceFormView(QWidget* parent = nullptr)
        : PairFormView(QStringLiteral("Original: "), QStringLiteral("Translated: "),
                       QStringLiteral("Add to Dictionary"), parent) {
        setObjectName(QStringLiteral("sentencePane"));
    }
};

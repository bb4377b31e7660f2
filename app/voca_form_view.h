// The vocabulary form: adds word pairs to the vocabulary. The frame keeps it hidden.
#pragma once

#include "app/pair_form_view.h"

class CVocaFormView : public PairFormView {
    Q_OBJECT
public:
    explicit CVocaFormView(QWidget* parent = nullptr)
        : PairFormView(QStringLiteral("Vocabulary Original: "), QStringLiteral("Vocabulary Translated: "),
                       QStringLiteral("Add to Vocabulary Lib"), parent) {
        setObjectName(QStringLiteral("vocaPane"));
    }
};

#pragma once
// The window's prompter: real modal message boxes.
#include "platform/Prompter.h"
#include <QString>

class QWidget;

class TMessageBoxPrompter : public IPrompter {
public:
    // `title` is the caption of prompts that bring none; `parent` may be null.
    explicit TMessageBoxPrompter(QString title, QWidget *parent = nullptr) : FTitle(std::move(title)), FParent(parent)
    {
    }
    int Ask(const TPrompt &prompt) override;
    void SetParent(QWidget *parent) { FParent = parent; }

private:
    QString FTitle;
    QWidget *FParent;
};

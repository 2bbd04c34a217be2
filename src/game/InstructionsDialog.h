#pragma once

#include "engine/DialogSprite.h"

#include <atomic>

namespace ripple {

// The paged instructions: one picture per page ("+iinstruct1", ...) shown
// in the "instruct" child, with back and next buttons that stop at the first
// and last page.
//
// The page count is the first number of the data section of the dialog's own
// data file (one page when it gives none).
class InstructionsDialog : public engine::DialogSprite {
    LANG_CLASS(InstructionsDialog, engine::DialogSprite);

    static constexpr const char* pageKeyPrefix = "+iinstruct";
    static constexpr const char* closedResult = "bcloseinstructionsdlg";
    // More pages than this is taken for a broken count.
    static constexpr int maxPages = 99;

    InstructionsDialog();
    ~InstructionsDialog() override;

    void loaded(lang::Object* loader) override;
    int mousePressed(lang::Event* event) override;

    // Back to page 1 with its picture; the canvas calls it each time it
    // opens the dialog.
    void showFirstPage();

    int getPage() const { return page; }
    int getPageCount() const { return pageCount; }

private:
    void showPage();
    void updateButtons();

    std::atomic<int> page{1};
    std::atomic<int> pageCount{1};
};

} // namespace ripple

#pragma once
// TfmChangeIcon: the "Change Icon" dialog's model. The user types a file name into
// edFilename (Enter accepts it) or browses for one, and picks one of the file's
// icons in IconListBox. The game editor and the options dialog open it.
//
// The caller sets it up (SetUp, or the same steps one by one), shows it modally and,
// on OK, reads the chosen icon from the list: ChosenFileName and ChosenIconIndex.
// A name typed but not accepted with Enter is not the result.

#include <string>

#include "platform/prompts.h"
#include "ui/icon_list_box.h"

namespace pallisar {

class TfmChangeIcon {
  public:
    static constexpr const char* kBrowseFilter =
        "Icon Files (*.exe; *.dll; *.ico)|*.exe; *.dll; *.ico|All Files (*.*)|*.*";
    // Followed by the name that was typed.
    static constexpr const char* kFileNotFound = "Windows cannot find the file ";
    static constexpr char kEnterKey = '\r';

    // `prompts` and `source` outlive the model.
    explicit TfmChangeIcon(Prompts& prompts,
                           IconListSource& source = FileIconListSource::Instance());
    TfmChangeIcon(const TfmChangeIcon&) = delete;
    TfmChangeIcon& operator=(const TfmChangeIcon&) = delete;

    // The caller's set-up: the name into edFilename, the list's FileName and
    // AcceptedFileName, and `iconIndex` selected in the list.
    void SetUp(const std::string& fileName, int iconIndex);

    // --- Controls ---
    // The text of edFilename; the view reports every edit with SetEdFilename.
    const std::string& edFilename() const { return edFilename_; }
    void SetEdFilename(const std::string& text) { edFilename_ = text; }
    TIconListBox& IconListBox() { return iconListBox_; }
    const TIconListBox& IconListBox() const { return iconListBox_; }
    // The last name accepted; a failed Enter puts it back into edFilename.
    const std::string& AcceptedFileName() const { return acceptedFileName_; }
    void SetAcceptedFileName(const std::string& name) { acceptedFileName_ = name; }

    // --- Handlers ---
    // A key typed in edFilename. Enter accepts the text as the file to list, or
    // warns that it does not exist and puts AcceptedFileName back; Enter is then
    // consumed (set to 0). Other keys are left to the text box.
    void edFilenameKeyPress(char& key);
    // The file-open dialog; a chosen file is accepted as with Enter.
    void btnBrowseClick();

    // --- Result, read after OK ---
    const std::string& ChosenFileName() const { return iconListBox_.FileName(); }
    int ChosenIconIndex() const { return iconListBox_.ItemIndex(); }

  private:
    void Accept(const std::string& fileName);

    Prompts& prompts_;
    IconListSource& source_;
    std::string edFilename_;
    TIconListBox iconListBox_;
    std::string acceptedFileName_;
};

}  // namespace pallisar

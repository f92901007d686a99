// The one way an operation asks the user something. The worker thread calls Ask and
// blocks until the answer is known; the GUI, the CLI and the tests each implement it.
#pragma once

#include <string>
#include <vector>

namespace korvi {

struct Question {
    enum class Kind {
        Confirm,         // OK / Cancel box with the warning icon
        SimilarContact,  // the similar-contact choice of a first-time sync
    };
    Kind kind = Kind::Confirm;
    // Stable name of the question ("confirm-import", "pbx-deletes", "similar-contact", ...):
    // scripted answers in tests and CLI flags refer to it.
    std::string id;
    std::string caption;
    std::string text;

    // SimilarContact only: the dialog's heading, the two captions, one line per name and
    // number of each contact, and the four button texts in the order of the choices 1, 2, 3, 0.
    std::string heading;
    std::string pbxCaption;
    std::string partnerCaption;
    std::vector<std::string> pbxLines;
    std::vector<std::string> partnerLines;
    std::vector<std::string> buttons;
};

// Answers. Confirm: kCancel or kOk. SimilarContact: kCancel, kUsePbx, kUsePartner, kRetainBoth
// (the choice values 0..3 of the dialog).
enum Answer : int {
    kCancel = 0,
    kOk = 1,
    kUsePbx = 1,
    kUsePartner = 2,
    kRetainBoth = 3,
};

class Prompt {
public:
    virtual ~Prompt() = default;
    virtual int Ask(const Question& question) = 0;
};

}  // namespace korvi

// Unsaved edits outlive a session that ends without them being saved: they
// are kept in a copy (engine/recovery.h: beside the trigger file, else in
// the user's own folder) and offered at the next start, each copy until the
// user opens or discards it. A copy is removed only when the user discards
// it, or once its text is saved.
#include "app/shell.h"

#include "engine/engine.h"
#include "engine/recovery.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "ui/status.h"
#include "ui/ui.h"

#include <cstdio>
#include <string>

namespace {
std::string copy_in_editor; // the kept copy whose text the editor holds as unsaved edits

std::string question(const KeptText& kept) {
    const std::string when = kept.kept_at.empty() ? "an earlier session" : kept.kept_at;
    switch (kept.why) {
    case KeptWhy::discarded:
        return "Quillomat kept the edits you discarded for the file on disk on " + when + ":\n\n" +
               kept.path;
    case KeptWhy::emptied:
        return "Quillomat kept the text it showed on " + when +
               ", before the trigger file on disk was emptied or could no longer be loaded:\n\n" +
               kept.path;
    default:
        return "Quillomat kept unsaved edits from " + when + ":\n\n" + kept.path;
    }
}

// The end of the last session found no place for its unsaved edits.
void say_edits_not_kept(HWND window) {
    char when[64] = {};
    setting_text("edits_not_kept", when, sizeof when);
    if (!when[0]) return;
    warn_user(window, std::string("When the session ended on ") + when +
                          ", Quillomat could not keep the unsaved edits: neither the trigger "
                          "file's folder nor " +
                          user_data_folder() + "Recovered took the file.");
    remove_setting("edits_not_kept");
}
} // namespace

void keep_unsaved_edits() {
    if (!keep_text_copy(editor_text_utf8(), KeptWhy::session_end).empty()) return;
    const LocalTime now = local_time();
    char when[32];
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", now.year, now.month, now.day,
                  now.hour, now.minute);
    write_setting("edits_not_kept", when); // said at the next start
}

void offer_kept_edits(HWND window) {
    say_edits_not_kept(window);
    // Never into an editor whose file was refused, or is not there yet.
    if (engine.file.refusal != FileRead::ok) return;
    for (const KeptText& kept : kept_texts()) {
        const int answer =
            ask_choice(window, widen(question(kept)), L"Open them", L"Discard", false);
        if (answer == 0) return; // asked again at the next start
        if (answer == 2) {
            (void)delete_file(kept.path.c_str());
            continue;
        }
        set_editor_text(kept.text);
        mark_dirty(window);
        edits_based_on(kept);
        copy_in_editor = kept.path;
        status_printf(" Unsaved edits from %s are in the editor: save to keep them",
                      kept.kept_at.empty() ? "an earlier session" : kept.kept_at.c_str());
        return;
    }
}

void forget_kept_edits() {
    if (copy_in_editor.empty()) return;
    (void)delete_file(copy_in_editor.c_str());
    copy_in_editor.clear();
}

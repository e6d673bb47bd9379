// Open, Save and Save As: the trigger file under the user's eyes. A file the
// loader refused is never written, a change made on disk by another program
// is asked about first, and a new name counts only once the text is saved
// under it.
#include "app/shell.h"

#include "engine/engine.h"
#include "platform/win32/wide.h"

#include <commdlg.h>
#include <string>

namespace {
// Runs the open or save dialog; `path` (path_capacity bytes of UTF-8) is
// both the proposed name and the result. False, with `path` emptied, on
// cancel, or when the name chosen does not fit.
bool pick_file(HWND owner, char* path, bool save) {
    std::wstring name(4096, L'\0');
    const std::wstring proposed = widen(path);
    proposed.copy(&name[0], name.size() - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize =
        OPENFILENAME_SIZE_VERSION_400W; // the record without its later extension fields
    dialog.hwndOwner = IsWindow(owner) ? owner : GetForegroundWindow();
    dialog.lpstrFilter = L"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = &name[0];
    dialog.nMaxFile = static_cast<DWORD>(name.size() - 1);
    dialog.lpstrInitialDir = proposed.c_str();
    dialog.Flags = save ? (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_LONGNAMES)
                        : (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    const std::string utf8 = chosen ? narrow(name.c_str()) : std::string();
    path[0] = '\0';
    if (utf8.size() >= path_capacity) return false;
    copy_bounded(path, path_capacity, utf8);
    return path[0] != '\0';
}

bool saving_as = false; // Save is running for Save As: the new name is no changed file

// A file the user opened: the title, the settings and the watch follow it.
void load_named(const std::string& path) {
    load_triggers(path.c_str());
    settle_file_name(true);
}

// What the file on screen is when the loader refused it, for the message
// that explains why it will not be saved.
std::string refusal_reason(FileRead why) {
    switch (why) {
    case FileRead::not_text:
        return "It is not text that Quillomat can load and save back: it " +
               engine.file.refusal_words + ".";
    case FileRead::too_large:
        return "It is too large to load.";
    case FileRead::no_memory:
        return "There was not enough memory to load it.";
    case FileRead::missing:
        return engine.file.awaited ? "It is not there yet: Quillomat loads it as soon as it "
                                     "appears."
                                   : "It does not exist and could not be created.";
    default:
        return "It could not be read: another program may hold it open, or you may not have "
               "access to it.";
    }
}

// A file the loader refused is never written: the editor holds none of its text.
bool refuse_to_save_refused_file(HWND window) {
    if (engine.file.refusal == FileRead::ok) return false;
    const std::string message =
        "The trigger file was not loaded, so Quillomat will not save over it:\n\n" +
        engine.file.path + "\n\n" + refusal_reason(engine.file.refusal) +
        "\n\nOpen it again once it can be read, or open another trigger file.";
    warn_user(window, message);
    return true;
}

// Another program changed the file since it was loaded or saved: the user
// decides whether the edits go over it. False when the save must not go on.
bool settle_change_on_disk(HWND window) {
    if (saving_as) return true;
    switch (trigger_file_change()) {
    case DiskChange::changed:
        break;
    case DiskChange::unreadable:
        // What is on disk cannot be compared: it is not written over blindly.
        warn_user(window, "Quillomat could not read the trigger file to make sure that no other "
                          "program changed it:\n\n" +
                              engine.file.path +
                              "\n\nAnother program may be writing it. Your changes are still "
                              "in the editor: save again in a moment.");
        return false;
    default:
        return true;
    }
    const int answer = ask_choice(
        window,
        widen("The trigger file was changed by another program since you opened it:\n\n" +
              engine.file.path),
        L"Overwrite it with your edits", L"Load the file from disk and discard my edits", true);
    if (answer == 1) return true;
    if (answer == 2) discard_edits_and_reload(); // kept in a copy; a file gone is not loaded
    return false;
}

// Nothing on disk changed; or the system took the old file away and could
// not put the new one in its place, which then holds the text under another name.
std::string save_failure_message(const std::string& kept_at, WriteProblem why) {
    std::string failed = "Unable to save the trigger file:\n\n" + engine.file.path + "\n\n";
    const std::string cause = write_problem_words(why);
    if (!cause.empty()) failed += cause + " ";
    if (kept_at.empty())
        return failed + "The file was left as it was, and your changes are still in the editor.";
    return failed +
           "Windows removed the old file but could not put the new one in its place. "
           "Your text is saved in:\n\n" +
           kept_at + "\n\nand your changes are still in the editor.";
}

// A save that failed: the cause named; for a read-only file, Save As offered.
LRESULT report_save_failure(HWND window, const std::string& kept_at, WriteProblem why) {
    const std::string message = save_failure_message(kept_at, why);
    if (why != WriteProblem::read_only || !kept_at.empty()) {
        warn_user(window, message);
        return save_failed;
    }
    const int answer = ask_choice(window, widen(message + "\n\nSave them under another name?"),
                                  L"Save As...", L"Not now", false);
    return answer == 1 ? SendMessageW(window, WM_COMMAND, command::save_file_as, 0) : save_failed;
}
} // namespace

// What stood in the way of a save, in a sentence; "" when it is not known.
std::string write_problem_words(WriteProblem why) {
    switch (why) {
    case WriteProblem::read_only:
        return "The file is read-only.";
    case WriteProblem::denied:
        return "Windows denied access to the file or to its folder.";
    case WriteProblem::in_use:
        return "Another program holds the file open.";
    case WriteProblem::disk_full:
        return "The disk is full.";
    default:
        return "";
    }
}

LRESULT save_file(HWND window) {
    if (engine.file.path.empty()) return SendMessageW(window, WM_COMMAND, command::save_file_as, 0);
    if (refuse_to_save_refused_file(window)) return save_failed;
    if (!settle_change_on_disk(window)) return save_cancelled;
    std::string kept_at;
    WriteProblem why = WriteProblem::none;
    if (!save_trigger_text(narrow(editor_text().c_str()), &kept_at, &why))
        return report_save_failure(window, kept_at, why); // the editor keeps text and marker
    settle_file_name(saving_as);
    forget_kept_edits();
    return save_succeeded;
}

// The new name counts only once the text is saved under it: a failed save
// leaves the engine, the title and the `file` setting on the old file.
LRESULT save_file_as(HWND window) {
    if (refuse_to_save_refused_file(window)) return save_failed;
    char path[path_capacity] = {};
    copy_bounded(path, sizeof path, engine.file.path);
    if (!pick_file(window, path, true)) return save_cancelled;
    const std::string previous = engine.file.path;
    engine.file.path = path;
    saving_as = true;
    const LRESULT result = SendMessageW(window, WM_COMMAND, command::save_file, 0);
    saving_as = false;
    if (result != save_succeeded) engine.file.path = previous;
    return result;
}

void open_file(HWND window) {
    if (!settle_unsaved_edits(window)) return;
    char path[path_capacity] = {};
    if (!pick_file(window, path, false)) return;
    load_named(path);
}

bool settle_unsaved_edits(HWND window) {
    const int answer = ask_save_changes(window);
    if (answer == IDCANCEL) return false;
    return answer != IDYES ||
           SendMessageW(window, WM_COMMAND, command::save_file, 0) == save_succeeded;
}

// Asked whenever there are unsaved edits, whatever mode the file switched on.
int ask_save_changes(HWND window) {
    if (!shell.dirty) return IDNO;
    return MessageBoxW(window, L"Save changes?\n\n(Press Cancel to return to program)",
                       L"Quillomat",
                       MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL | MB_SETFOREGROUND);
}

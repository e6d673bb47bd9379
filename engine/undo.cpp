// Backspace Undoes Expansion: the output just typed goes, and the trigger
// comes back as it was typed.
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/platform.h"

namespace {
constexpr uint8_t vk_backspace = 8, vk_shift = 16, vk_control = 17, vk_alt = 18;

// The user's Backspace took the output's last character; the rest goes the
// same way, and the trigger is typed back. It does not fire again at once:
// the history starts afresh.
void undo_output() {
    for (int i = 1; i < engine.undo.typed; ++i)
        play_key_token(vk_backspace, press_and_release);
    const bool caps_off = caps_lock_off_for_typing(); // the trigger comes back as it was typed
    for (const char c : engine.undo.trigger) {
        if (!c) break;
        type_char(c, engine.file.table.unicode_typing);
    }
    caps_lock_back(caps_off);
    note_own_input();
    forget_typed();
}
} // namespace

void open_undo_chance(int typed) {
    UndoChance& undo = engine.undo;
    undo.typed = typed;
    if (!undo.enabled || undo.typed <= 0) return;
    undo.open = true;
    undo.window = foreground_window();
}

bool undo_if_backspace(int vk) {
    UndoChance& undo = engine.undo;
    if (!undo.open) return false;
    undo.open = false;
    const auto& held = engine.keys.key_state;
    if (vk != vk_backspace || held[vk_shift] || held[vk_control] || held[vk_alt] ||
        foreground_window() != undo.window)
        return false;
    undo_output();
    return true;
}

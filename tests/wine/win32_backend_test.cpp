// The win32 backend on a real (Wine) desktop: the key events that reach the
// system, the built-in text resource, and files that are missing or locked.
#include "key_hook.h"

#include "common/memory.h"
#include "common/packed_text.h"
#include "engine/engine.h"
#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "platform/win32/safe_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {
class KeyEvents : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(key_hook_start()) << "no low-level keyboard hook"; }
    static void TearDownTestSuite() { key_hook_stop(); }
    void SetUp() override { key_hook_clear(); }

    // The events that reached the desktop, checked against the layout's scan codes.
    static std::string expect_events(std::size_t count) {
        const std::vector<HookedKey> keys = key_hook_wait(count);
        for (const HookedKey& k : keys) {
            EXPECT_TRUE(k.injected);
            // Alt of an Alt-code sequence is sent with scan code 0.
            if (k.vk != VK_MENU) {
                EXPECT_EQ(k.scan_code, MapVirtualKeyA(k.vk, 0)) << k.vk;
            }
        }
        return key_hook_transcript(keys);
    }
};

void play(const char* token) {
    uint32_t length = 0;
    int mode = 0;
    const uint8_t vk = parse_key_token(token, &length, &mode);
    play_key_token(vk, mode);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string temp_path(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}
} // namespace

TEST_F(KeyEvents, CapitalAIsShiftAroundTheKey) {
    type_char('A', false);
    EXPECT_EQ(expect_events(4), "+10 +41 -41 -10");
}

TEST_F(KeyEvents, EAcuteIsAltWithKeypad0233) {
    type_char('\xE9', false);
    const std::vector<HookedKey> keys = key_hook_wait(10);
    EXPECT_EQ(expect_events(10), "+12 +60 -60 +62 -62 +63 -63 +63 -63 -12");
    ASSERT_EQ(keys.size(), 10u);
    EXPECT_EQ(keys.front().scan_code, 0u);
    EXPECT_EQ(keys.back().scan_code, 0u);
}

TEST_F(KeyEvents, UnicodeCharactersArePacketsWithTheirUnitsAsScanCodes) {
    type_code_point(0x20AC);
    type_code_point(0x1F600); // a surrogate pair
    const std::vector<HookedKey> keys = key_hook_wait(6);
    ASSERT_EQ(key_hook_transcript(keys), "+E7 -E7 +E7 -E7 +E7 -E7");
    const uint32_t units[] = {0x20AC, 0x20AC, 0xD83D, 0xD83D, 0xDE00, 0xDE00};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(keys[i].scan_code, units[i]) << i;
}

TEST_F(KeyEvents, TokensCarryTheExtendedFlagOnlyForExtendedKeys) {
    play("{CtrlDown}");
    play("{CtrlUp}");
    play("{Num/}");
    play("{Home}");
    play("{enter}");
    EXPECT_EQ(expect_events(8), "+11e -11e +6F -6F +24e -24e +0D -0D");
}

TEST_F(KeyEvents, LowerCaseAndDigitsNeedNoShift) {
    type_char('b', false);
    type_char('7', false);
    type_char('!', false);
    EXPECT_EQ(expect_events(8), "+42 -42 +37 -37 +10 +31 -31 -10");
}

TEST(BuiltinTexts, TheDefaultTriggerFileResourceUnpacksToItsSource) {
    const std::string_view packed = builtin_text(8002);
    ASSERT_FALSE(packed.empty());
    int32_t length = static_cast<int32_t>(packed.size());
    HeapText text(unpack_text(packed.data(), &length));
    ASSERT_TRUE(text);
    EXPECT_EQ(std::string(text.get(), static_cast<std::size_t>(length)),
              read_file("Z:" QUILLOMAT_SOURCE_DIR "/resources/default_triggers.txt"));
    EXPECT_TRUE(builtin_text(8009).empty());
}

TEST(Files, AMissingTriggerFileGetsTheDefaultAndALockedOneIsLeftAlone) {
    const std::string path = temp_path("quillomat-backend-test.txt");
    DeleteFileA(path.c_str());
    load_triggers(path.c_str());
    EXPECT_GT(engine.file.table.count, 10);
    EXPECT_EQ(read_file(path).substr(0, 27), "\xEF\xBB\xBF; Quillomat trigger file");

    write_file(path, "btw=by the way\r\n");
    load_triggers(path.c_str());
    EXPECT_EQ(engine.file.table.count, 1);

    // Another program holds the file open and shares nothing.
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    char* text = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(read_whole_file(path.c_str(), 1 << 20, &text, &size), FileRead::unreadable);
    load_triggers(path.c_str());
    EXPECT_EQ(engine.file.table.count, 0);
    CloseHandle(lock);
    EXPECT_EQ(read_file(path), "btw=by the way\r\n");
    DeleteFileA(path.c_str());
}

// Paths are UTF-8 inside: every character reaches the file system, and a
// path beyond 260 characters works too.
TEST(Files, PathsKeepEveryCharacterAndMayBeLong) {
    const std::string folder = temp_path("");
    const std::string names[] = {
        "P\xC5\x99\x65hled Zo\xC3\xAB \xE7\x8E\x8B\xE4\xBC\x9F \xD0\x94\xD0\xBC.txt",
        std::string(250, 'q') + ".txt",
    };
    for (const std::string& name : names) {
        const std::string path = folder + name;
        ASSERT_TRUE(replace_file(path.c_str(), "btw=by the way\r\n")) << name.size();
        char* text = nullptr;
        std::size_t size = 0;
        ASSERT_EQ(read_whole_file(path.c_str(), 1 << 20, &text, &size), FileRead::ok);
        HeapText owned(text);
        EXPECT_EQ(std::string(text, size), "btw=by the way\r\n");
        if (name[0] == 'P') { // the file system holds that very name
            wchar_t wide_folder[MAX_PATH];
            GetTempPathW(MAX_PATH, wide_folder);
            const std::wstring wide =
                std::wstring(wide_folder) + L"P\u0159ehled Zo\u00eb \u738b\u4f1f \u0414\u043c.txt";
            EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        EXPECT_TRUE(delete_file(path.c_str()));
    }
}

namespace {
// Steps that give up half way, as ReplaceFileW may when given no backup name.
HANDLE held_replacement = INVALID_HANDLE_VALUE;

BOOL removes_old_then_fails(const wchar_t* replaced, const wchar_t*) {
    DeleteFileW(replaced);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return FALSE;
}
BOOL moves_old_aside_then_fails(const wchar_t* replaced, const wchar_t*) {
    MoveFileW(replaced, (std::wstring(replaced) + L".old").c_str());
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}
BOOL removes_old_while_new_is_held(const wchar_t* replaced, const wchar_t* replacement) {
    // Held without delete sharing (a virus scanner, an indexer): it cannot be renamed.
    held_replacement =
        CreateFileW(replacement, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    return removes_old_then_fails(replaced, replacement);
}
BOOL fails_with_both_in_place(const wchar_t*, const wchar_t*) {
    SetLastError(ERROR_UNABLE_TO_REMOVE_REPLACED);
    return FALSE;
}

// The files in `folder` whose names match `pattern`, which are then deleted.
std::vector<std::string> take_files(const std::string& folder, const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    for (const std::string& name : names)
        DeleteFileA((folder + name).c_str());
    return names;
}
} // namespace

TEST(SafeWriter, TheNewTextIsNeverDeletedWhileItIsTheOnlyCopy) {
    const std::string folder = temp_path("quillomat-writer-test\\");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "triggers.txt";
    const ReplaceStep real_step = win32_replace_step;
    const struct {
        ReplaceStep step;
        bool saved;
        const char* on_disk; // null: no file there
        bool kept;
    } cases[] = {
        {removes_old_then_fails, true, "new", false},
        {moves_old_aside_then_fails, true, "new", false},
        {removes_old_while_new_is_held, false, nullptr, true},
        {fails_with_both_in_place, false, "old", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        write_file(path, "old");
        win32_replace_step = c.step;
        std::string kept_at;
        EXPECT_EQ(replace_file(path.c_str(), "new", &kept_at), c.saved);
        win32_replace_step = real_step;
        if (held_replacement != INVALID_HANDLE_VALUE) CloseHandle(held_replacement);
        held_replacement = INVALID_HANDLE_VALUE;
        if (c.on_disk) {
            EXPECT_EQ(read_file(path), c.on_disk);
        } else {
            EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        EXPECT_EQ(kept_at.empty(), !c.kept);
        if (!kept_at.empty()) {
            EXPECT_EQ(read_file(kept_at), "new");
        }
        EXPECT_EQ(take_files(folder, "~qlm*.tmp").size(), c.kept ? 1u : 0u) << "files beside";
        take_files(folder, "*.*");
    }
    RemoveDirectoryA(folder.c_str());
}

// A save that fails says why; a name with nothing behind it is no link, and
// looking leaves nothing behind.
TEST(SafeWriter, SaysWhatStoodInTheWay) {
    const std::string path = temp_path("quillomat-why-test.txt");
    write_file(path, "old");
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    WriteProblem why = WriteProblem::none;
    EXPECT_FALSE(replace_file(path.c_str(), "new", nullptr, &why));
    EXPECT_EQ(why, WriteProblem::in_use);
    CloseHandle(held);
    EXPECT_TRUE(replace_file(path.c_str(), "new", nullptr, &why));
    EXPECT_EQ(why, WriteProblem::none);
    EXPECT_FALSE(link_target(path.c_str()).link);
    DeleteFileA(path.c_str());
    const LinkTarget none = link_target(path.c_str());
    EXPECT_FALSE(none.link || none.dangling);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A file with two names keeps both: the text changes under each of them.
TEST(SafeWriter, AFileWithTwoNamesKeepsBoth) {
    const std::string path = temp_path("quillomat-names-test.txt");
    const std::string other = temp_path("quillomat-names-test-2.txt");
    write_file(path, "old");
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), path.c_str(), nullptr));
    EXPECT_TRUE(replace_file(path.c_str(), "new"));
    EXPECT_EQ(read_file(path), "new");
    EXPECT_EQ(read_file(other), "new");
    DeleteFileA(path.c_str());
    DeleteFileA(other.c_str());
}

TEST(Files, AFolderListsItsFilesAndTheUsersOwnFolderHasItsSubfolders) {
    const std::string folder = temp_path("quillomat-list-test\\");
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "inner").c_str(), nullptr);
    write_file(folder + "b.txt", "b");
    write_file(folder + "a (1).txt", "a");
    std::vector<std::string> names = files_in_folder(folder.c_str());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a (1).txt", "b.txt"}));
    take_files(folder, "*.txt");
    RemoveDirectoryA((folder + "inner").c_str());
    RemoveDirectoryA(folder.c_str());
    EXPECT_TRUE(files_in_folder(folder.c_str()).empty());

    const std::string own = user_data_folder("Recovered");
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.substr(own.size() - 21), "\\Quillomat\\Recovered\\");
    const DWORD attributes = GetFileAttributesA(own.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

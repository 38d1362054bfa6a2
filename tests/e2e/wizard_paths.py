"""Install folders that cannot work are refused before anything starts: an
existing file, a device name, a trailing space or dot, a drive that does not
exist, a name over 255 characters, a folder too long for the payload's
longest entry. 立即安装 stays disabled (ticking the agreement box again does not
enable it) and the space line says why instead of a stale figure; a usable
folder brings the free space back. A remembered folder with a trailing dot
is proposed, installed and remembered without it."""
from wizard_common import *

CUSTOM_LINK = (10 + 20, 230 + 7)
AGREE_BOX_CUSTOM = (200 + 5, 175 + 6)
SPACE_ID = 1014
GOOD_DIR = "C:\\VLPaths\\Notes"
DOTTED_DIR = "C:\\VLDots"
LONG_DIR = "C:\\" + "\\".join("VellomarLongFolderName%02d" % i for i in range(10))

# (typed folder, how the space line starts)
REFUSED = [
    ("C:\\windows\\win.ini", "路径无效: 已有同名文件 win.ini"),
    ("C:\\con\\x", "路径无效: con 是系统保留的名称"),
    ("C:\\Apps\\LPT1.txt\\Vellomar", "路径无效: LPT1.txt 是系统保留的名称"),
    ("C:\\Program Files\\Vellomar ", "路径无效: 名称不能以空格或点结尾"),
    ("C:\\Vm.", "路径无效: 名称不能以空格或点结尾"),
    ("C:\\Apps\\a?b", "路径无效: 含有不能用于名称的字符"),
    ("D:\\Vellomar", "磁盘不存在: D:"),
    ("D:", "磁盘不存在: D:"),
    ("\\\\server\\share\\Vellomar", "路径无效: 请填写以盘符开头的完整路径"),
    ("C:\\" + "n" * 256, "路径无效: 名称超过255个字符"),
    # 253 characters stored: with the payload's longest entry (30) past MAX_PATH.
    (LONG_DIR, "路径过长"),
]


def space_line_is(page, start):
    seen = [""]

    def check():
        seen[0] = control_text(page["hwnd"], SPACE_ID)
        return seen[0].startswith(start)
    try:
        wait_until(check, "the space line", timeout=10)
    except Failure:
        raise Failure("space line: expected it to start with %r, got %r" % (start, seen[0]))


def test_unusable_folders_are_refused_with_their_reason():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, CUSTOM_LINK)
        expect_shot("paths_custom_layout", button_state(page, INSTALL_NOW, True, "立即安装 with the proposed folder"))
        for n, (typed, reason) in enumerate(REFUSED):
            replace_path(page, typed)
            space_line_is(page, reason)
            expect_shot("paths_refused_%d" % n, button_state(page, INSTALL_NOW, False, "立即安装 with %r" % typed))

        # Ticking the agreement box again leaves a refused folder refused.
        click_in(page, AGREE_BOX_CUSTOM)
        click_in(page, AGREE_BOX_CUSTOM)
        expect_shot("paths_refused_after_ticking", button_state(page, INSTALL_NOW, False, "立即安装 after ticking again"))
        click_in(page, INSTALL_NOW)
        time.sleep(1.0)
        expect(wait_page(FIRST_PAGE_TITLE, what="first page")["hwnd"] == page["hwnd"], "a refused folder left the page")

        replace_path(page, GOOD_DIR)
        space_line_is(page, "所需空间: 25.5MB 可用空间: ")
        expect_shot("paths_usable_again", button_state(page, INSTALL_NOW, True, "立即安装 with " + GOOD_DIR))
        expect(not win_exists("C:\\Vm"), "a refused folder was created")
        expect(reg_value(PRODUCT_KEY, "Install") is None, "a refused folder reached the registry")
    finally:
        stop(proc)
        reset_installation()


def test_remembered_folder_loses_its_trailing_dot():
    reset_installation(DOTTED_DIR + "\\")
    rc, out = wine_text("reg", "add", PRODUCT_KEY, "/v", "Install", "/d", DOTTED_DIR + ".\\", "/f")
    expect(rc == 0, "could not remember %r: %s" % (DOTTED_DIR + ".\\", out))
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        expect(control_text(page["hwnd"], PATH_ID) == DOTTED_DIR + "\\",
               "proposed folder: expected %r, got %r" % (DOTTED_DIR + "\\", control_text(page["hwnd"], PATH_ID)))
        click_in(page, QUICK_INSTALL)
        finish = wait_finish_page()
        click_in(finish, CLOSE_BUTTON)
        expect(wait_exit(proc) == 0, "installer exit code: expected 0, got %r" % proc.returncode)
        expect(reg_value(PRODUCT_KEY, "Install") == DOTTED_DIR + "\\",
               "Install value: expected %r, got %r" % (DOTTED_DIR + "\\", reg_value(PRODUCT_KEY, "Install")))
        expect(win_exists(DOTTED_DIR + "\\Vellomar.exe"), "nothing installed in " + DOTTED_DIR)
    finally:
        stop(proc)
        reset_installation(DOTTED_DIR + "\\")


run_tests([test_unusable_folders_are_refused_with_their_reason, test_remembered_folder_loses_its_trailing_dot])

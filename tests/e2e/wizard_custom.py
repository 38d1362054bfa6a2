"""The custom layout: a typed folder and "立即安装" install there (stored
with a trailing backslash); a two-character path such as D: disables
"立即安装"; "返回默认安装" then "快速安装" installs into the default folder
whatever the path box holds; the folder browser leaves the focus on
"立即安装", never on the hidden "快速安装"."""
from wizard_common import *

CUSTOM_LINK = (10 + 20, 230 + 7)
DEFAULT_LINK = (10 + 20, 175 + 7)
BROWSE_BUTTON = (225 + 17, 208 + 8)
CUSTOM_DIR = "C:\\VLCustom\\Notes"
INSTALL_NOW_ID = 1017


def finish_and_close(proc):
    finish = wait_finish_page()
    click_in(finish, CLOSE_BUTTON)
    expect(wait_exit(proc) == 0, "installer exit code: expected 0, got %r" % proc.returncode)


def test_typed_folder_installs_there():
    reset_installation("C:\\VLCustom\\")
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, CUSTOM_LINK)
        expect_shot("wizard_first_page_custom",
                    button_state(page, INSTALL_NOW, True, "立即安装 at (285, 205)"),
                    lambda shot: "快速安装 still shown in the custom layout" if is_red(pixel_in(shot, page, QUICK_INSTALL)) else None,
                    # The dark band of background 205 along the bottom, right of the space line.
                    dark_pixels(page, (262, 244, 282, 250), 10, "custom background 205's dark band"))

        replace_path(page, "D:")
        expect_shot("wizard_first_page_two_chars", button_state(page, INSTALL_NOW, False, "立即安装 with the path D:"))

        replace_path(page, CUSTOM_DIR)
        expect_shot("wizard_first_page_typed", button_state(page, INSTALL_NOW, True, "立即安装 with a typed folder on C:"))
        click_in(page, INSTALL_NOW)
        finish_and_close(proc)

        expect(reg_value(PRODUCT_KEY, "Install") == CUSTOM_DIR + "\\",
               "Install value: expected %r, got %r" % (CUSTOM_DIR + "\\", reg_value(PRODUCT_KEY, "Install")))
        for f in installed_files_of(CUSTOM_DIR + "\\"):
            expect(win_exists(f), "installed file missing: " + f)
        expect(not win_exists(default_install_dir() + "Vellomar.exe"), "the default folder was installed too")
    finally:
        stop(proc)
        reset_installation("C:\\VLCustom\\")


def test_back_to_default_installs_into_default_folder():
    reset_installation("C:\\VLCustom\\")
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, CUSTOM_LINK)
        replace_path(page, CUSTOM_DIR)
        click_in(page, DEFAULT_LINK)
        expect_shot("wizard_first_page_back_to_quick", button_state(page, QUICK_INSTALL, True, "快速安装 back in the quick layout"))
        click_in(page, QUICK_INSTALL)
        finish_and_close(proc)
        expect(reg_value(PRODUCT_KEY, "Install") == default_install_dir(),
               "Install value: expected the default %r, got %r" % (default_install_dir(), reg_value(PRODUCT_KEY, "Install")))
        expect(win_exists(default_install_dir() + "Vellomar.exe"), "nothing in the default folder")
        expect(not win_exists(CUSTOM_DIR + "\\Vellomar.exe"), "the typed folder was installed")
    finally:
        stop(proc)
        reset_installation("C:\\VLCustom\\")


def test_browsing_leaves_the_focus_on_install_now():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, CUSTOM_LINK)
        click_in(page, BROWSE_BUTTON)
        browser = wait_until(lambda: [w for w in windows() if w["visible"] and w["cls"] == DIALOG_CLASS
                                      and w["pid"] == page["pid"] and w["hwnd"] != page["hwnd"]],
                             "the folder browser", timeout=30)[0]
        key("Return")   # the folder it starts on
        wait_until(lambda: not [w for w in windows() if w["hwnd"] == browser["hwnd"] and w["visible"]],
                   "the folder browser to close", timeout=30)
        path = control_text(page["hwnd"], PATH_ID)
        expect(path.endswith("\\Vellomar\\"), "browsed folder in the path box: got %r" % path)
        # Space here must install into the browsed folder, not the default one.
        wait_until(lambda: focus_id(page["hwnd"]) == INSTALL_NOW_ID,
                   "the focus on 立即安装 after browsing (it is on %d)" % focus_id(page["hwnd"]), timeout=10)
    finally:
        stop(proc)
        reset_installation()


run_tests([test_typed_folder_installs_there, test_back_to_default_installs_into_default_folder,
           test_browsing_leaves_the_focus_on_install_now])

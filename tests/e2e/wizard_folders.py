"""Folders that are not ours: a folder holding someone else's files gets a
box before anything is written there. 取消 leaves the page and the folder as
they were; 继续 installs, and the foreign files the payload does not replace
keep their bytes, also after an uninstall. A typed drive root installs into the product's folder on
it, as the folder browser's choice of a root does. Under /S such a folder
ends the run with code 9 and is left alone."""
from wizard_common import *

CUSTOM_LINK = (10 + 20, 230 + 7)
OCCUPIED_DIR = "C:\\VLTools\\"
ROOT_DIR = "C:\\Vellomar\\"
# Another program's files: a settings file where ours would go, a file the
# payload also has, and one it has not.
FOREIGN = {
    "config\\config.ini": b"[General]\r\nOwner=ToolBox\r\n",
    "resource\\readme.txt": b"ToolBox readme\r\n",
    "todo-list.txt": b"- buy milk\r\n",
}


def make_foreign_files():
    for name, data in FOREIGN.items():
        path = unix_path(OCCUPIED_DIR + name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def folder_tree(win_dir):
    """{relative path: bytes} of every file below the folder."""
    top = unix_path(win_dir)
    tree = {}
    for d, _, files in os.walk(top):
        for name in files:
            path = os.path.join(d, name)
            with open(path, "rb") as f:
                tree[os.path.relpath(path, top)] = f.read()
    return tree


def custom_install_into(page, typed):
    click_in(page, CUSTOM_LINK)
    replace_path(page, typed)
    expect_shot("folders_typed", button_state(page, INSTALL_NOW, True, "立即安装 with %r" % typed))
    click_in(page, INSTALL_NOW)


def test_occupied_folder_is_asked_about_both_ways():
    reset_installation(OCCUPIED_DIR)
    make_foreign_files()
    before = folder_tree(OCCUPIED_DIR)
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        custom_install_into(page, OCCUPIED_DIR.rstrip("\\"))
        box = wait_box()
        expect_shot("folders_occupied_box", dark_pixels(box, (60, 65, 320, 155), 20, "occupied-folder question"))

        click_in(box, BOX_SECOND)          # 取消
        wait_no_box()
        expect(wait_page(FIRST_PAGE_TITLE, what="first page")["hwnd"] == page["hwnd"], "取消 left the page")
        time.sleep(1.0)
        expect(folder_tree(OCCUPIED_DIR) == before, "取消 changed the folder")
        expect(reg_value(PRODUCT_KEY, "Install") is None, "取消 registered an installation")

        # X takes the box off the screen a moment after Windows did; a click
        # before that lands on the box's old place.
        expect_shot("folders_after_cancel", button_state(page, INSTALL_NOW, True, "立即安装 after 取消"))
        click_in(page, INSTALL_NOW)
        click_in(wait_box(), BOX_FIRST)    # 继续
        wait_finish_after_registration()
        expect(reg_value(PRODUCT_KEY, "Install") == OCCUPIED_DIR, "remembered folder: %r" % reg_value(PRODUCT_KEY, "Install"))
        for f in installed_files_of(OCCUPIED_DIR):
            expect(win_exists(f), "not installed: " + f)
        after = folder_tree(OCCUPIED_DIR)
        # config.ini is never overwritten; the readme is the payload's own file.
        for name in ("todo-list.txt", "config\\config.ini"):
            key_name = name.replace("\\", os.sep)
            expect(after.get(key_name) == FOREIGN[name], "%s: expected its bytes kept, got %r" % (name, after.get(key_name)))
        stop(proc)

        # The uninstaller takes what the installation wrote and nothing else:
        # the foreign files it never wrote stay, byte for byte, in their folders.
        rc, _ = wine(OCCUPIED_DIR + "VLUninstall.exe", "/S", timeout=120)
        expect(rc == 0, "the quiet uninstall: exit %r" % rc)
        wait_until(lambda: not win_exists(OCCUPIED_DIR + "Vellomar.exe"), "the programs to go", timeout=60)
        left = folder_tree(OCCUPIED_DIR)
        kept = {n.replace("\\", os.sep): FOREIGN[n] for n in ("todo-list.txt", "config\\config.ini")}
        expect(left == kept, "left after the uninstall: %r" % sorted(left))
    finally:
        stop(proc)
        reset_installation(OCCUPIED_DIR)


def test_typed_drive_root_installs_into_the_product_folder():
    reset_installation(ROOT_DIR)
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        custom_install_into(page, "C:\\")
        wait_finish_after_registration()
        expect(reg_value(PRODUCT_KEY, "Install") == ROOT_DIR, "remembered folder: %r" % reg_value(PRODUCT_KEY, "Install"))
        for f in installed_files_of(ROOT_DIR):
            expect(win_exists(f), "not installed: " + f)
        for name in ("Vellomar.exe", "VLUninstall.exe", "config", "resource"):
            expect(not win_exists("C:\\" + name), "spread over the drive's root: C:\\" + name)
    finally:
        stop(proc)
        reset_installation(ROOT_DIR)


def test_silent_run_refuses_an_occupied_folder():
    reset_installation(OCCUPIED_DIR)
    make_foreign_files()
    before = folder_tree(OCCUPIED_DIR)
    try:
        rc, _ = wine(VLSETUP, "/S", "/D=" + OCCUPIED_DIR, timeout=120)
        expect(rc == 9, "exit code: expected 9, got %r" % rc)
        expect(folder_tree(OCCUPIED_DIR) == before, "the silent run changed the folder")
        expect(reg_value(PRODUCT_KEY, "Install") is None, "the silent run registered an installation")
    finally:
        reset_installation(OCCUPIED_DIR)


run_tests([test_occupied_folder_is_asked_about_both_ways, test_typed_drive_root_installs_into_the_product_folder,
           test_silent_run_refuses_an_occupied_folder])

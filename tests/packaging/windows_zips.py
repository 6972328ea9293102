"""Lists the Windows release zips and checks what each holds: one top
folder named after the zip, the program, the shipped plugins, the screens,
the read-me and the SDK, every program and DLL built for the zip's bitness
(a 32-bit glancer.exe loads only 32-bit DLLs, a 64-bit one only 64-bit).
Usage: windows_zips.py Glancer-<version>-win32.zip Glancer-<version>-win64.zip"""
import os
import re
import struct
import sys
import zipfile

MACHINES = {"win32": 0x014C, "win64": 0x8664}  # IMAGE_FILE_MACHINE_I386, _AMD64
REQUIRED = ["glancer.exe", "README.txt", "virtual.dll", "system.dll", "demo.dll", "screens/screens.xml",
            "sdk/include/glancer/glancer_plugin.h", "sdk/include/glancer/glancer_plugin.hpp",
            "sdk/include/glancer/glancer_plugin_detail.hpp", "sdk/include/glancer/glancer_settings.hpp",
            "sdk/include/glancer/glancer_settings_win32.hpp", "sdk/include/glancer/glancer_kit.hpp",
            "sdk/share/cmake/GlancerPlugin/GlancerPluginConfig.cmake",
            "sdk/share/cmake/GlancerPlugin/GlancerPluginConfigVersion.cmake", "sdk/plugin-template/CMakeLists.txt"]


def machine(image):
    """The PE header's machine field."""
    (pe_offset,) = struct.unpack_from("<I", image, 0x3C)
    if image[:2] != b"MZ" or image[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    return struct.unpack_from("<H", image, pe_offset + 4)[0]


def check(path):
    """Problems found in one zip; prints its listing."""
    name = os.path.basename(path)
    match = re.fullmatch(r"(Glancer-\d+\.\d+\.\d+-(win32|win64))\.zip", name)
    if not match:
        return [f"{name}: not named Glancer-<version>-win32.zip or -win64.zip"]
    top, arch = match.groups()
    problems = []
    with zipfile.ZipFile(path) as archive:
        entries = [info for info in archive.infolist() if not info.is_dir()]
        print(f"{name}:")
        for info in entries:
            print(f"  {info.file_size:9d}  {info.filename}")
        names = {info.filename for info in entries}
        problems += [f"{name}: {entry} outside {top}/" for entry in names if not entry.startswith(top + "/")]
        problems += [f"{name}: {top}/{file} missing" for file in REQUIRED if f"{top}/{file}" not in names]
        for entry in sorted(names):
            if entry.lower().endswith((".exe", ".dll")) and machine(archive.read(entry)) != MACHINES[arch]:
                problems.append(f"{name}: {entry} is not built for {arch}")
        readme = archive.read(f"{top}/README.txt") if f"{top}/README.txt" in names else b""
        if b"\r\n" not in readme or ("-bit" not in readme.decode("ascii", "replace")):
            problems.append(f"{name}: README.txt lacks CRLF line ends or the bitness advice")
    return problems


def main(paths):
    arches = sorted(re.sub(r".*-(win\d\d)\.zip$", r"\1", os.path.basename(p)) for p in paths)
    problems = [] if arches == ["win32", "win64"] else [f"expected a win32 and a win64 zip, got {paths}"]
    for path in paths:
        problems += check(path)
    for problem in problems:
        print("FAIL:", problem)
    print("Windows zips: " + ("FAILED" if problems else "OK"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

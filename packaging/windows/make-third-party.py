#!/usr/bin/env python3
"""Writes THIRD-PARTY.txt, the notices shipped with the Windows programs.

    packaging/windows/make-third-party.py QTBASE_SOURCE > packaging/windows/THIRD-PARTY.txt

QTBASE_SOURCE is Debian's qt6-base source as scripts/windows-qt.sh unpacks it
(`apt-get source qt6-base`): its qt_attribution.json files name the parts
that Qt's libraries carry, with their licences. The versions of Qt's
translations and the MinGW-w64 runtime are the installed packages'. The
Windows programs link all of these statically, so they travel inside them.
Rerun when the Qt version or its configure options change.
"""
import json
import os
import re
import subprocess
import sys

# The attributions of what Qt Core, Gui and Widgets and the plugins linked
# into ortenconf.exe (windows and offscreen platforms, Windows style, GIF, ICO
# and JPEG images) compile in, as scripts/windows-qt.sh configures them (no
# network, OpenGL, Vulkan or D-Bus; Unix- and Mac-only parts left out).
LINKED = [
    "unicode-character-database", "unicode-cldr", "doubleconversion", "easing", "pcre2",
    "pcre2-sljit", "zlib", "tinycbor", "siphash", "blake2", "md4", "md5", "sha1", "rfc6234",
    "sha3_endian", "sha3_keccak", "freetype", "freetype-zlib", "freetype-bdf", "freetype-pcf",
    "grayraster", "harfbuzz-ng", "libpng", "libjpeg", "md4c", "icc-sRGB-color-profile",
    "smooth-scaling-algorithm", "xserverhelper", "aglfn", "webgradients",
]

MINGW_COPYRIGHT = "/usr/share/doc/mingw-w64-common/copyright"


def attributions(source):
    found = {}
    for folder, _, files in os.walk(source):
        if "qt_attribution.json" not in files or "/tests" in folder or "/examples" in folder:
            continue
        with open(os.path.join(folder, "qt_attribution.json"), encoding="utf-8") as f:
            entries = json.loads(f.read(), strict=False)  # some carry raw control characters
        for entry in entries if isinstance(entries, list) else [entries]:
            found[entry["Id"]] = (folder, entry)
    return found


def files_of(folder, entry, *keys):
    names = []
    for key in keys:
        value = entry.get(key)
        if isinstance(value, list):
            names += value
        elif value:
            names += [n.strip() for n in value.split(",")]
    return [os.path.normpath(os.path.join(folder, n)) for n in names]


def read(path):
    with open(path, encoding="utf-8-sig", errors="replace") as f:
        return f.read().strip("\n")


def heading(text, rule):
    return f"{text}\n{rule * len(text)}\n"


def debian_version(source):
    first = read(os.path.join(source, "debian", "changelog")).splitlines()[0]
    return re.match(r"\S+ \(([^)]+)\)", first).group(1)


def main():
    source = sys.argv[1]
    version = debian_version(source)
    translations, translations_version = subprocess.run(
        ["dpkg-query", "-W", "-f", "${source:Package} ${source:Version}", "qt6-translations-l10n"],
        check=True, capture_output=True, text=True).stdout.split()
    found = attributions(source)
    missing = [i for i in LINKED if i not in found]
    if missing:
        sys.exit(f"no attribution for {', '.join(missing)} in {source}")
    out = []
    out.append(heading("ortenconf for Windows: the software inside the programs", "="))
    out.append(f"""\
ortenconf.exe and ortenctl.exe are ortenconf's own code, under the MIT
licence (LICENSE.txt). They are linked statically with the software below;
each part keeps its own licence, whose text follows it.
""")
    out.append(heading(f"Qt {version.split('+')[0]} (ortenconf.exe)", "-"))
    out.append(f"""\
Qt's Core, Gui and Widgets libraries, its windows and offscreen platform
plugins, Windows style and GIF, ICO and JPEG image plugins, and its Russian
translations, under the GNU Lesser General Public License version 3
(LGPL-3.0-only), which adds its permissions to the GNU General Public
License version 3; both texts are at the end of this file.
Copyright (C) The Qt Company Ltd. and other contributors.

Source: Qt is built, unchanged, from Debian's qt6-base source package,
version {version}:
    apt-get source qt6-base={version}
    https://snapshot.debian.org/package/qt6-base/{version.replace("+", "%2B")}/
The script that builds it, with every configure option, is
scripts/windows-qt.sh in ortenconf's source. Qt's Russian translations
(qtbase_ru.qm) come from Debian's {translations} source package, version
{translations_version}:
    apt-get source {translations}={translations_version}

Using another Qt: the LGPL lets you run this program with a Qt you changed.
Change Qt's source (or the script's options), build it with the script,
and build ortenconf from its source against it (`make windows`): the
programs are then linked with your Qt. Nothing in ortenconf stops this.

Parts that Qt's libraries carry, with their licences:
""")
    texts = {}
    for ident in LINKED:
        folder, entry = found[ident]
        version_text = f" {entry['Version']}" if entry.get("Version") else ""
        out.append(heading(f"{entry['Name']}{version_text}", "~"))
        if entry.get("Copyright"):
            out.append(entry["Copyright"].strip() + "\n")
        for path in files_of(folder, entry, "CopyrightFile"):
            out.append(read(path) + "\n")
        out.append(f"Licence: {entry.get('License', entry.get('LicenseId'))}\n")
        for path in files_of(folder, entry, "LicenseFile", "LicenseFiles"):
            text = read(path)
            if text in texts:
                out.append(f"(the text is given above, under {texts[text]})\n")
            else:
                texts[text] = entry["Name"]
                out.append(text + "\n")
        out.append("")
    out.append(heading("GCC and MinGW-w64 runtime (both programs)", "-"))
    out.append("""\
The C and C++ runtime of the MinGW-w64 cross compiler (GCC 12) is linked in:
libstdc++ and libgcc, under the GNU General Public License version 3 with
the GCC Runtime Library Exception 3.1, which sets no conditions on programs
compiled with GCC; and the MinGW-w64 runtime with its winpthreads library,
whose notices, as Debian records them for its mingw-w64 packages, follow.
""")
    out.append(read(MINGW_COPYRIGHT) + "\n")
    out.append(heading("GNU Lesser General Public License, version 3", "-"))
    out.append(read("/usr/share/common-licenses/LGPL-3") + "\n")
    out.append(heading("GNU General Public License, version 3", "-"))
    out.append(read("/usr/share/common-licenses/GPL-3") + "\n")
    sys.stdout.write("\n".join(out))


if __name__ == "__main__":
    main()

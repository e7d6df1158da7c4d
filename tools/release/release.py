#!/usr/bin/python3
"""What a Tolvaro download carries besides the programs, made from what the
linker put into them (tools/release/components.json says what each linked
file belongs to):

  release.py notices --platform windows|linux --out DIR [--attributions DIR]
                     [--versions FILE] [--installer NAME] [--terms LICENSE]
                     PROGRAM=LINKMAP...
      THIRD-PARTY-NOTICES.txt, the GPL 3 and LGPL 3 texts when Qt is linked,
      Tolvaro's terms as LICENSE.txt, and parts.json (what each program
      holds, for the bills of materials).
      Fails when the map names a linked file that components.json does not
      know.
  release.py links --platform windows|linux LINKMAP...
      The same check of the link maps alone.
  release.py release --parts parts.json DIR VERSION [NAME=FILE...]
      Beside each download of the version in DIR that is an archive or an
      installer (a zip, a .deb, an .exe), its CycloneDX 1.5 bill of
      materials, <download>.cdx.json (the files an installer installs are
      given as NAME=FILE); then DIR/SHA256SUMS over every download in DIR.
  release.py check DIR VERSION
      Every bill of materials in DIR valid against the schema, its hashes
      those of the files shipped; SHA256SUMS complete and right; the link
      maps of DIR/linkmaps fully known.

Everything written is sorted and holds no time but SOURCE_DATE_EPOCH's, so
two builds of the same sources give the same bytes.
"""
import argparse
import datetime
import hashlib
import io
import json
import os
import pathlib
import re
import subprocess
import sys
import tarfile
import textwrap
import urllib.parse
import uuid
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
RULE = "=" * 72
SUBRULE = "-" * 72


class Failure(Exception):
    pass


def load_components():
    return json.loads((HERE / "components.json").read_text(encoding="utf-8"))


# ---------------------------------------------------------------- link maps

def linked_files(map_text):
    """The files a GNU ld map shows as taken into the program, each with the
    archive members taken from it: each archive a member was taken from,
    and each object and shared library loaded."""
    files = {}
    in_archives = False
    for line in map_text.splitlines():
        if line.startswith("Archive member included"):
            in_archives = True
            continue
        if in_archives and line and not line[0].isspace():
            match = re.match(r"(.+?\.a)\((.*)\)", line)
            if match:
                files.setdefault(os.path.normpath(match.group(1)), set()).add(match.group(2))
                continue
            in_archives = False
        match = re.match(r"LOAD (.+)$", line)
        if match and re.search(r"\.(o|obj)$|\.so(\.[0-9.]+)?$", match.group(1)):
            files.setdefault(os.path.normpath(match.group(1)), set())
    return files


def import_stub(member):
    """Whether an archive member is a Windows DLL's import stub, as dlltool
    names them: lib<dll>h.o, lib<dll>s00042.o, lib<dll>t.o."""
    return re.fullmatch(r"lib[A-Za-z0-9_.-]+(h|t|s[0-9]{5})\.o", member) is not None


def mingw_crt(member):
    """Whether an archive member was built from mingw-w64's runtime sources,
    which name their objects lib64_<library>_a-<source>.o."""
    return re.fullmatch(r"lib64_[A-Za-z0-9_]+_a-[^/]+\.o", member) is not None


IMPORT_LIBRARY = {"none": "only the import stubs of a Windows DLL: they name Windows' own functions"}
MINGW_CRT = {"component": "mingw-w64"}


def classify(files, data, platform):
    """{file: rule} for each linked file; a Failure naming every file no
    rule knows."""
    found, unknown = {}, []
    for path, members in sorted(files.items()):
        code = {member for member in members if not import_stub(member)}
        if platform == "windows" and members and not code:
            found[path] = IMPORT_LIBRARY
            continue
        if platform == "windows" and code and all(map(mingw_crt, code)):
            found[path] = MINGW_CRT
            continue
        for rule in data["links"]:
            if rule.get("platform", platform) == platform and re.search(rule["match"], path):
                found[path] = rule
                break
        else:
            unknown.append(path)
    if unknown:
        raise Failure("linked, but without a notice entry in tools/release/components.json:\n  "
                      + "\n  ".join(unknown))
    return found


def program_maps(pairs):
    programs = {}
    for pair in pairs:
        name, _, path = pair.partition("=")
        if not path:
            raise Failure(f"{pair}: expected PROGRAM=LINKMAP")
        programs[name] = pathlib.Path(path).read_text(encoding="utf-8", errors="replace")
    return programs


# ---------------------------------------------------------------- versions

def upstream_version(debian_version):
    version = debian_version.split(":", 1)[-1]
    if "-" in version:
        version = version.rsplit("-", 1)[0]
    return re.split(r"[+~]|\.dfsg", version)[0]


def source_version(component, versions):
    """The Debian source version a component was built from: the cache's
    list, else the installed package it comes in."""
    if component["debian"] in versions:
        return versions[component["debian"]]
    package = component.get("package")
    if package:
        result = subprocess.run(["dpkg-query", "-W", "-f=${source:Version}", package],
                                capture_output=True, text=True)
        if result.returncode == 0 and result.stdout:
            return result.stdout
    raise Failure(f"no Debian version known for {component['debian']}")


def purl(source, version, subpath=None):
    text = f"pkg:deb/debian/{source}@{urllib.parse.quote(version, safe='')}?arch=source"
    return text + (f"#{subpath}" if subpath else "")


# ---------------------------------------------------------------- Qt's parts

def qt_parts(attributions, modules, data):
    """Each entry of Qt's qt_attribution.json files that belongs to one of
    the linked Qt modules (by its QDocModule) and is built here."""
    root = attributions / "qt6-base"
    files = sorted(root.rglob("qt_attribution.json"))
    if not files:
        raise Failure(f"no qt_attribution.json under {root}")
    parts, seen = [], set()
    for file in files:
        # Some of Qt's files hold tabs and line breaks inside their strings.
        entries = json.loads(file.read_text(encoding="utf-8"), strict=False)
        for entry in entries if isinstance(entries, list) else [entries]:
            seen.add(entry["Id"])
            if entry.get("QDocModule") not in modules or entry["Id"] in data["qt_not_built"]:
                continue
            names = entry.get("LicenseFiles") or ([entry["LicenseFile"]] if entry.get("LicenseFile") else [])
            texts = [(file.parent / name).read_text(encoding="utf-8", errors="replace") for name in names]
            parts.append({
                "id": entry["Id"],
                "name": entry.get("Name", entry["Id"]),
                "version": entry.get("Version", ""),
                "licence": entry.get("LicenseId") or entry.get("License") or "",
                "licence_name": entry.get("License", ""),
                "copyright": entry.get("Copyright", "").strip(),
                "path": str(file.parent.relative_to(root)),
                "module": entry["QDocModule"],
                "texts": texts,
            })
    stale = sorted(set(data["qt_not_built"]) - seen)
    if stale:
        raise Failure("tools/release/components.json leaves out Qt parts the source no longer has: "
                      + ", ".join(stale))
    return sorted(parts, key=lambda part: (part["name"].lower(), part["id"]))


# ---------------------------------------------------------------- notices

def read_versions(path):
    versions = {}
    if path:
        for line in pathlib.Path(path).read_text(encoding="utf-8").splitlines():
            if line.strip():
                name, version = line.split()
                versions[name] = version
    return versions


def notice_text(component, attributions):
    if component.get("notice_text"):
        return textwrap.fill(component["notice_text"], 76, break_on_hyphens=False)
    if attributions and component.get("notice") and (attributions / component["notice"]).is_file():
        return (attributions / component["notice"]).read_text(encoding="utf-8", errors="replace")
    if component.get("host_notice"):
        return pathlib.Path(component["host_notice"]).read_text(encoding="utf-8", errors="replace")
    if component.get("notice"):
        raise Failure(f"{component['notice']} is missing from {attributions}")
    return None


def indent(text, prefix="  "):
    return "\n".join((prefix + line).rstrip() for line in text.strip("\n").splitlines())


def gather(args, data):
    """What each program holds: {program: {component id: set of Qt modules}}."""
    programs = {}
    for program, text in program_maps(args.programs).items():
        held = programs.setdefault(program, {})
        for rule in classify(linked_files(text), data, args.platform).values():
            if "component" in rule and not data["components"][rule["component"]].get("own"):
                held.setdefault(rule["component"], set()).update([rule["qt"]] if "qt" in rule else [])
    return programs


def make_notices(args):
    data = load_components()
    attributions = pathlib.Path(args.attributions) if args.attributions else None
    versions = read_versions(args.versions)
    programs = gather(args, data)
    if args.installer:  # the installer's own program, in the installer alone
        programs[args.installer] = {"nsis": set()}

    components = {}
    for held in programs.values():
        for cid, modules in held.items():
            components.setdefault(cid, set()).update(modules)
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)

    parts = {"platform": args.platform, "programs": {}, "components": {}, "installer": args.installer}
    for cid in sorted(components):
        component = data["components"][cid]
        version = source_version(component, versions)
        entry = {
            "name": component["name"],
            "version": upstream_version(version),
            "debian": component["debian"],
            "debian_version": version,
            "purl": purl(component["debian"], version, component.get("subpath")),
            "licence": component["licence"],
            "parts": [],
        }
        if cid == "qt6-base":
            if not attributions:
                raise Failure("Qt is linked: --attributions is needed for its notices")
            entry["parts"] = qt_parts(attributions, components[cid], data)
        parts["components"][cid] = entry
    for program, held in sorted(programs.items()):
        parts["programs"][program] = {cid: sorted(held[cid]) for cid in sorted(held)}

    lines = [
        "Third-party notices of Tolvaro",
        "",
        "Tolvaro's programs contain code written by others, used under the terms",
        "that follow. Tolvaro's own terms are in its LICENSE file.",
        "",
    ]
    credits = [sentence for cid in parts["components"] for part in parts["components"][cid]["parts"]
               for sentence in data["credits"].get(part["id"], [])]
    if "qt6-base" in parts["components"]:
        qt = parts["components"]["qt6-base"]
        lines += [
            f"Tolvaro uses Qt {qt['version']} under the GNU Lesser General Public License,",
            "version 3 (LGPL-3.0.txt beside this file, which builds on the GNU General",
            "Public License, version 3: GPL-3.0.txt). Qt is linked into the programs;",
            "their terms let you change Qt, link the programs with your changed Qt and",
            "reverse engineer them to debug such changes. The relink kit and Qt's",
            "source are downloads of their own beside this release's downloads.",
            "",
        ]
    if "qt6-headers" in parts["components"]:
        lines += [notice_text(data["components"]["qt6-headers"], None), ""]
    lines += credits + ([""] if credits else [])
    lines += ["What each program contains", ""]
    for program, held in parts["programs"].items():
        names = [f"{parts['components'][cid]['name']} {parts['components'][cid]['version']}" for cid in held]
        lines.append(f"  {program}: " + ("; ".join(names) if names else
                                         "no code of others; it uses the system's shared libraries"))
    lines.append("")

    texts_written, notices_shown = {}, {}
    # Qt first: the notice its licence asks to be prominent.
    for cid, entry in sorted(parts["components"].items(), key=lambda item: (item[0] != "qt6-base", item[0])):
        component = data["components"][cid]
        used_by = [program for program, held in parts["programs"].items() if cid in held]
        lines += [RULE, f"{entry['name']} {entry['version']}",
                  f"  Debian source package {entry['debian']} {entry['debian_version']}",
                  f"  Licence: {entry['licence']}",
                  f"  In: {', '.join(used_by)}"]
        if component.get("copyright"):
            lines.append(f"  {component['copyright']}")
        for name, source in component.get("texts", {}).items():
            texts_written[name] = (attributions / source).read_text(encoding="utf-8")
            lines.append(f"  The licence text: {name}, beside this file.")
        if component.get("no_notice"):
            lines += ["", indent(f"No notice is required: {component['no_notice']}.")]
        text = notice_text(component, attributions)
        if text in notices_shown:
            lines += ["", f"  The notice is that of {notices_shown[text]} above."]
        elif text:
            notices_shown[text] = entry["name"]
            lines += ["", indent(text)]
        shown = {}
        for part in entry["parts"]:
            lines += ["", f"  {SUBRULE[:70]}",
                      f"  {part['name']}" + (f" {part['version']}" if part["version"] else ""),
                      f"    Part of Qt ({part['path']}), licence: {part['licence'] or 'none stated'}",
                      "    In: " + ", ".join(program for program, held in parts["programs"].items()
                                           if part["module"] in held.get(cid, []))]
            if part["copyright"]:
                lines += ["", indent(part["copyright"], "    ")]
            for text in part["texts"]:
                if text in shown:
                    lines += ["", f"    The licence text is that of {shown[text]} above."]
                else:
                    shown[text] = part["name"]
                    lines += ["", indent(text, "    ")]
        lines.append("")

    for name, text in texts_written.items():
        (out / name).write_text(text, encoding="utf-8")
    # For Notepad, the texts that are not plain ASCII are UTF-8 with a
    # byte-order mark and CR LF line ends, as the read-me is.
    newline = "\r\n" if args.platform == "windows" else "\n"
    mark = "\ufeff" if args.platform == "windows" else ""
    (out / "THIRD-PARTY-NOTICES.txt").write_bytes((mark + "\n".join(lines) + "\n").replace("\n", newline).encode())
    if args.terms:
        terms = pathlib.Path(args.terms).read_text(encoding="utf-8")
        (out / "LICENSE.txt").write_bytes((mark + terms).replace("\n", newline).encode())
    for cid in parts["components"]:
        for part in parts["components"][cid]["parts"]:
            del part["texts"]
    (out / "parts.json").write_text(json.dumps(parts, indent=1, sort_keys=True) + "\n", encoding="utf-8")


def check_links(args):
    data = load_components()
    for path in args.maps:
        classify(linked_files(pathlib.Path(path).read_text(encoding="utf-8", errors="replace")),
                 data, args.platform)
        print(f"{path}: every linked file has its notice entry")


# ---------------------------------------------------------------- bills of materials

def sha256(data):
    return hashlib.sha256(data).hexdigest()


def shipped_files(download, extra):
    """{name: SHA-256} of each file a download carries."""
    path = pathlib.Path(download)
    files = {}
    if path.suffix == ".zip":
        with zipfile.ZipFile(path) as archive:
            for info in archive.infolist():
                if not info.is_dir():
                    files[info.filename] = sha256(archive.read(info))
    elif path.suffix == ".deb":
        tar = subprocess.run(["dpkg-deb", "--fsys-tarfile", str(path)], capture_output=True, check=True).stdout
        with tarfile.open(fileobj=io.BytesIO(tar)) as archive:
            for member in archive.getmembers():
                if member.isfile():
                    files[member.name.lstrip("./").lstrip("/")] = sha256(archive.extractfile(member).read())
    for pair in extra:
        name, _, file = pair.partition("=")
        files[name] = sha256(pathlib.Path(file).read_bytes())
    return files


def licence_choice(expression):
    expression = re.sub(r"\s+or\s+", " OR ", expression.strip())
    if re.fullmatch(r"[A-Za-z0-9.+-]+( (AND|OR|WITH) [A-Za-z0-9.+-]+)*", expression):
        return [{"expression": expression}]
    return [{"license": {"name": expression}}]


def program_name(name):
    """The program a shipped file is, if it is one: tolvaro.exe, usr/bin/tolvaro."""
    return pathlib.PurePosixPath(name).name


def make_sbom(parts, download, files, version):
    """The CycloneDX 1.5 bill of materials of one download, whose files
    ({name: SHA-256}) are given."""
    digest = sha256(download.read_bytes())
    installer = parts["programs"].get(download.name, {}) if download.name == parts["installer"] else {}
    held = [parts["programs"][program_name(name)] for name in files if program_name(name) in parts["programs"]]
    if not held:  # a download of other files than the programs, made from the same parts
        held = [programs for name, programs in parts["programs"].items() if name != parts["installer"]]
    used = set(installer).union(*held)
    components, dependencies = [], []
    for cid, entry in sorted(parts["components"].items()):
        if cid not in used:
            continue
        component = {
            "type": "library",
            "bom-ref": entry["purl"],
            "name": entry["name"],
            "version": entry["version"],
            "purl": entry["purl"],
            "licenses": licence_choice(entry["licence"]),
            "properties": [{"name": "tolvaro:debian-source", "value": f"{entry['debian']} {entry['debian_version']}"}],
        }
        if entry["parts"]:
            component["components"] = [{
                "type": "library",
                "bom-ref": purl(entry["debian"], entry["debian_version"], f"{part['path']}/{part['id']}"),
                "name": part["name"],
                **({"version": part["version"]} if part["version"] else {}),
                "purl": purl(entry["debian"], entry["debian_version"], part["path"]),
                **({"licenses": licence_choice(part["licence"])} if part["licence"] else {}),
                **({"copyright": part["copyright"]} if part["copyright"] else {}),
            } for part in entry["parts"]]
        components.append(component)
    for name, hash_ in sorted(files.items()):
        ref = f"file:{name}"
        components.append({"type": "file", "bom-ref": ref, "name": name,
                           "hashes": [{"alg": "SHA-256", "content": hash_}]})
        program = parts["programs"].get(program_name(name))
        if program is not None:
            dependencies.append({"ref": ref, "dependsOn": [parts["components"][cid]["purl"] for cid in program]})
    subject = {
        "type": "application",
        "bom-ref": "download",
        "name": "tolvaro",
        "version": version,
        "description": f"the download {download.name}",
        "licenses": [{"expression": "LicenseRef-Tolvaro"}],
        "hashes": [{"alg": "SHA-256", "content": digest}],
    }
    bom = {
        "$schema": "http://cyclonedx.org/schema/bom-1.5.schema.json",
        "bomFormat": "CycloneDX",
        "specVersion": "1.5",
        "serialNumber": f"urn:uuid:{uuid.uuid5(uuid.NAMESPACE_URL, f'tolvaro:{download.name}:{digest}')}",
        "version": 1,
        "metadata": {"component": subject},
        "components": components,
        "dependencies": [{"ref": "download",
                          "dependsOn": sorted({f"file:{name}" for name in files} |
                                              {parts["components"][cid]["purl"] for cid in installer})}]
        + dependencies,
    }
    if os.environ.get("SOURCE_DATE_EPOCH"):
        stamp = datetime.datetime.fromtimestamp(int(os.environ["SOURCE_DATE_EPOCH"]), datetime.timezone.utc)
        bom["metadata"]["timestamp"] = stamp.strftime("%Y-%m-%dT%H:%M:%SZ")
    path = download.with_name(download.name + ".cdx.json")
    path.write_text(json.dumps(bom, indent=1, ensure_ascii=False) + "\n", encoding="utf-8")


def validate(bom):
    import jsonschema  # python3-jsonschema; needed by the checks alone
    schema_dir = HERE / "schema"
    store = {}
    for name in ("bom-1.5", "spdx", "jsf-0.82"):
        schema = json.loads((schema_dir / f"{name}.SNAPSHOT.schema.json").read_text(encoding="utf-8"))
        store[f"http://cyclonedx.org/schema/{name}.SNAPSHOT.schema.json"] = schema
        store[schema["$id"]] = schema
    main = store["http://cyclonedx.org/schema/bom-1.5.schema.json"]
    resolver = jsonschema.RefResolver.from_schema(main, store=store)
    errors = sorted(jsonschema.Draft7Validator(main, resolver=resolver).iter_errors(bom), key=str)
    return [f"{'/'.join(map(str, error.absolute_path))}: {error.message}" for error in errors]


def check_sbom(path, download, companions):
    """The problems of one bill of materials: against the schema, the
    download's own hash, and the hashes of the files it carries (for an
    installer, those of the zip's files of the same name)."""
    try:
        bom = json.loads(path.read_text(encoding="utf-8"))
    except ValueError as error:
        return [f"not JSON: {error}"]
    problems = validate(bom)
    if bom.get("metadata", {}).get("component", {}).get("hashes", [{}])[0].get("content") != \
            sha256(download.read_bytes()):
        problems.append(f"the hash of {download.name} is not the download's")
    listed = {c["name"]: c["hashes"][0]["content"] for c in bom.get("components", []) if c["type"] == "file"}
    actual = shipped_files(download, []) if download.suffix in (".zip", ".deb") else companions
    for name, hash_ in sorted(listed.items()):
        if download.suffix in (".zip", ".deb") or name in actual:
            if actual.get(name) != hash_:
                problems.append(f"{name}: the hash is not that of the file shipped")
    missing = sorted(set(actual) - set(listed)) if download.suffix in (".zip", ".deb") else []
    if missing:
        problems.append("shipped, but not listed: " + ", ".join(missing))
    if not any(c["type"] == "library" for c in bom.get("components", [])):
        problems.append("no component listed")
    return problems


# ---------------------------------------------------------------- checksums

def downloads(folder, version):
    """The release's downloads in a folder: every file named after this
    version (tolvaro-<version>-…, tolvaro_<version>_…), the bills of
    materials with them."""
    return sorted(path for path in pathlib.Path(folder).iterdir()
                  if path.is_file() and (path.name.startswith(f"tolvaro-{version}-")
                                         or path.name.startswith(f"tolvaro_{version}_")))


def has_bom(path):
    """Whether a download gets a bill of materials: an archive or an
    installer (a zip, an .exe, a .deb)."""
    return path.suffix in (".zip", ".exe", ".deb")


def make_release(args):
    """A bill of materials beside each archive and installer of the version
    in the folder, then SHA256SUMS over all its downloads."""
    parts = json.loads(pathlib.Path(args.parts).read_text(encoding="utf-8"))
    folder = pathlib.Path(args.folder)
    for path in downloads(folder, args.version):
        if has_bom(path):
            extra = args.files if path.suffix == ".exe" else []
            make_sbom(parts, path, shipped_files(path, extra), args.version)
    lines = [f"{sha256(path.read_bytes())}  {path.name}\n" for path in downloads(folder, args.version)]
    if not lines:
        raise Failure(f"no download of version {args.version} in {folder}")
    (folder / "SHA256SUMS").write_text("".join(lines), encoding="utf-8")


def check_zip_notices(folder, files):
    """The notices and licence texts in each zip that holds the programs,
    with the credits the licences of the parts linked in ask for."""
    parts_file = folder / "notices" / "parts.json"
    if not parts_file.is_file():
        return [f"{parts_file} is missing"]
    parts = json.loads(parts_file.read_text(encoding="utf-8"))
    credits = load_components()["credits"]
    wanted = [sentence for entry in parts["components"].values() for part in entry["parts"]
              for sentence in credits.get(part["id"], [])]
    problems = []
    for path in files:
        if path.suffix != ".zip":
            continue
        with zipfile.ZipFile(path) as archive:
            names = set(archive.namelist())
            if not names & set(parts["programs"]):
                continue
            texts = ["THIRD-PARTY-NOTICES.txt", "LICENSE.txt"] + (
                ["LGPL-3.0.txt", "GPL-3.0.txt"] if "qt6-base" in parts["components"] else [])
            problems += [f"{path.name} lacks {name}" for name in texts if name not in names]
            if "THIRD-PARTY-NOTICES.txt" in names:
                notices = archive.read("THIRD-PARTY-NOTICES.txt").decode("utf-8")
                problems += [f"{path.name}: the notices lack \"{sentence}\"" for sentence in wanted
                             if sentence not in notices]
            # The read-me's first screen names Qt, its licence and the notices.
            if "README.txt" in names and "qt6-base" in parts["components"]:
                first = "\n".join(archive.read("README.txt").decode("utf-8-sig").splitlines()[:25])
                problems += [f"{path.name}: the first screen of README.txt does not name {word}"
                             for word in ("Qt", "LGPL", "THIRD-PARTY-NOTICES.txt") if word not in first]
    return problems


def check_release(args):
    folder = pathlib.Path(args.folder)
    data = load_components()
    problems = []
    maps = sorted((folder / "linkmaps").glob("*.map"))
    if not maps:
        problems.append(f"no link maps in {folder / 'linkmaps'}")
    for path in maps:
        try:
            classify(linked_files(path.read_text(encoding="utf-8", errors="replace")), data, args.platform)
        except Failure as failure:
            problems.append(f"{path.name}: {failure}")
    files = downloads(folder, args.version)
    zips = {}
    for path in files:
        if path.suffix == ".zip" and path.name.endswith("-windows-x64.zip"):
            zips.update(shipped_files(path, []))
    for path in files:
        if path.name.endswith(".cdx.json"):
            continue
        bom = path.with_name(path.name + ".cdx.json")
        if has_bom(path):
            if not bom.is_file():
                problems.append(f"{path.name} has no bill of materials beside it")
                continue
            problems += [f"{bom.name}: {problem}" for problem in check_sbom(bom, path, zips)]
    problems += check_zip_notices(folder, files)
    sums = folder / "SHA256SUMS"
    if not sums.is_file():
        problems.append("no SHA256SUMS")
    else:
        listed = {}
        for line in sums.read_text(encoding="utf-8").splitlines():
            hash_, _, name = line.partition("  ")
            listed[name] = hash_
        for path in files:
            if listed.pop(path.name, None) != sha256(path.read_bytes()):
                problems.append(f"SHA256SUMS: {path.name} is missing or its sum is wrong")
        problems += [f"SHA256SUMS lists {name}, which is not in {folder}" for name in listed]
    for problem in problems:
        print(f"FAILED: {problem}", file=sys.stderr)
    if problems:
        raise Failure(f"{len(problems)} release file checks failed")
    print(f"link maps, bills of materials and SHA256SUMS of {len(files)} downloads checked")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    notices = commands.add_parser("notices")
    notices.add_argument("--platform", choices=("windows", "linux"), required=True)
    notices.add_argument("--out", required=True)
    notices.add_argument("--attributions")
    notices.add_argument("--versions")
    notices.add_argument("--installer", help="the installer's file name, when there is one")
    notices.add_argument("--terms", help="Tolvaro's own terms, written beside the notices as LICENSE.txt")
    notices.add_argument("programs", nargs="+", metavar="PROGRAM=LINKMAP")
    notices.set_defaults(run=make_notices)
    links = commands.add_parser("links")
    links.add_argument("--platform", choices=("windows", "linux"), required=True)
    links.add_argument("maps", nargs="+")
    links.set_defaults(run=check_links)
    release = commands.add_parser("release")
    release.add_argument("--parts", required=True)
    release.add_argument("folder")
    release.add_argument("version")
    release.add_argument("files", nargs="*", metavar="NAME=FILE")
    release.set_defaults(run=make_release)
    check = commands.add_parser("check")
    check.add_argument("--platform", choices=("windows", "linux"), default="windows")
    check.add_argument("folder")
    check.add_argument("version")
    check.set_defaults(run=check_release)
    args = parser.parse_args()
    try:
        args.run(args)
    except Failure as failure:
        print(f"{parser.prog} {args.command}: {failure}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()

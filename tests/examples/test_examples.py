"""The examples as a user builds them: the build is installed into a scratch
prefix, examples/ is configured and built against that prefix alone (the C
program through tessaline.pc, the C++ program through the CMake package),
the Python program runs on the installed module, and what they write is
decoded with zxing-cpp."""
import os
import subprocess
import sys
from pathlib import Path

import pytest
import zxingcpp
from PIL import Image

SOURCE = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("TESSALINE_BUILD_DIR", SOURCE / "build"))
PYTHON_DIR = os.environ.get("TESSALINE_PYTHON_DIR", "")

# What each example needs from the installed prefix, and its runs:
# arguments ({out} is the output directory), exit status, then the files it
# must write with zxing's format and text (None: a file zxing does not read),
# and words of its standard error.
EXAMPLES = {
    "c": {
        "needs": "tessaline.pc",
        "runs": [
            (["{out}/sample.png"], 0, {"sample.png": ("EAN13", "1234567890128")}, ""),
            (["{out}/c128.png", "Code 128", "Tessaline C"], 0, {"c128.png": ("Code128", "Tessaline C")}, ""),
            (["{out}/label.svg", "code39", "SVG"], 0, {"label.svg": None}, ""),
            (["{out}/bad.png", "ean13", "12345"], 1, {}, "text error"),
            (["{out}/bad.png", "no such type"], 2, {}, "unknown type name"),
        ],
    },
    "cpp": {
        "needs": "TessalineConfig.cmake",
        "runs": [
            (["{out}"], 0, {"1.png": ("EAN13", "5901234123457"), "2.png": ("Code128", "Tessaline C++"),
                            "1.svg": None, "2.svg": None}, ""),
            (["{out}", "ean13", "5901234123450", "code39", "CPP"], 1, {"2.png": ("Code39", "CPP")},
             "check digit"),
        ],
    },
    "python": {
        "needs": "tessaline.cpython",
        "runs": [
            (["{out}"], 0, {"1.png": ("EAN8", "96385074"), "2.png": ("Code39", "TESSALINE PY"), "1.svg": None},
             ""),
            (["{out}", "ean8", "1234"], 1, {}, "not a valid EAN 8 text"),
        ],
    },
}


def run(command, **kwargs):
    result = subprocess.run([str(c) for c in command], capture_output=True, text=True, **kwargs)
    assert result.returncode == 0, f"{' '.join(map(str, command))}:\n{result.stdout}\n{result.stderr}"
    return result


def installed(tmp_path):
    """Installs the build into tmp_path/prefix; registrations stay in tmp_path."""
    if not (BUILD / "cmake_install.cmake").exists():
        pytest.fail(f"no build to install in {BUILD} (TESSALINE_BUILD_DIR)")
    prefix = tmp_path / "prefix"
    env = dict(os.environ, TESSALINE_REGISTRY=str(tmp_path / "registry.ini"), XDG_DATA_HOME=str(tmp_path / "data"))
    env.pop("DESTDIR", None)
    run(["cmake", "--install", BUILD, "--prefix", prefix], env=env)
    return prefix


def find_installed(prefix, name):
    found = [p for p in prefix.rglob(name + "*") if p.is_file()]
    return found[0] if found else None


def decode(path):
    result = zxingcpp.read_barcode(Image.open(path).convert("L"))
    return (result.format.name, result.text) if result and result.valid else None


def command_of(example, prefix, tmp_path):
    """The built or installed program to run, and its environment."""
    libdirs = sorted({str(p.parent) for p in prefix.rglob("libtessaline.so*")})
    env = dict(os.environ, LD_LIBRARY_PATH=":".join(libdirs), TESSALINE_REGISTRY=str(tmp_path / "registry.ini"))
    if example == "python":
        module_dir = prefix / PYTHON_DIR
        env["PYTHONPATH"] = str(module_dir)
        where = run([sys.executable, "-c", "import tessaline; print(tessaline.__file__)"], env=env, cwd=tmp_path)
        assert where.stdout.startswith(str(module_dir)), "the example must run on the installed module"
        return [sys.executable, SOURCE / "examples" / "render.py"], env
    build = tmp_path / "examples"
    run(["cmake", "-S", SOURCE / "examples", "-B", build, "-DCMAKE_BUILD_TYPE=Release",
         f"-DCMAKE_PREFIX_PATH={prefix}", "-DPKG_CONFIG_ARGN=--define-prefix",
         "-DCMAKE_C_FLAGS=-Wall -Wextra -Werror", "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror"])
    target = "render_" + example
    run(["cmake", "--build", build, "--target", target])
    return [build / target], env


@pytest.mark.parametrize("example", sorted(EXAMPLES))
def test_example(example, tmp_path):
    example_case = EXAMPLES[example]
    prefix = installed(tmp_path)
    if find_installed(prefix, example_case["needs"]) is None:
        pytest.skip(f"the {example} example: needs {example_case['needs']} in the installed prefix "
                    f"(the install rules of the build do not provide it)")
    command, env = command_of(example, prefix, tmp_path)
    for n, (args, status, files, stderr) in enumerate(example_case["runs"]):
        out = tmp_path / f"out{n}"
        out.mkdir()
        result = subprocess.run([str(c) for c in command] + [a.format(out=out) for a in args],
                                capture_output=True, text=True, env=env)
        assert result.returncode == status, result.stderr
        assert stderr in result.stderr
        assert sorted(p.name for p in out.iterdir() if p.suffix == ".png") == \
            sorted(name for name in files if name.endswith(".png"))
        for name, expected in files.items():
            path = out / name
            assert path.exists(), f"{example} {args}: {name} missing"
            if expected is None:
                assert path.read_bytes().startswith(b"<?xml")
            else:
                assert decode(path) == expected

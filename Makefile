# The commands of the README. Each installs what it needs first.
.PHONY: deps build test qt-mingw test-windows package-windows test-sanitizers demo clean

deps:
	bash scripts/deps.sh

build: deps
	cmake --preset dev
	cmake --build --preset dev

test: build
	ctest --preset dev
	$(MAKE) test-windows
	$(MAKE) test-sanitizers

# Qt for MinGW, built from Debian's qt6-base sources into ~/.cache/pendrak
# when it is not there yet (13-25 minutes; later runs find it).
qt-mingw: deps
	bash scripts/qt-mingw.sh

# The Windows build, its tests run under wine. The wine prefix is made once
# up front (about 15 s) rather than by whichever test starts first.
test-windows: qt-mingw
	scripts/wine-run.sh cmd /c exit
	cmake --preset mingw
	cmake --build --preset mingw
	# Wine now and then resets or hangs a test process after its test passed
	# (its server ending between two tests), so the mingw test preset runs a
	# failed test once more (a real fault fails both times) and gives up on a
	# hang after 120 s.
	ctest --preset mingw

# The portable zip: build/mingw/pendrak-VERSION-windows-x64.zip.
package-windows: qt-mingw
	cmake --preset mingw
	cmake --build --preset mingw
	cd build/mingw && cpack -G ZIP

# Every test again under ASan+UBSan, then under TSan (no benchmarks built).
test-sanitizers: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

# The main job on the built-in emulator: 130,000 contacts written to an
# emulated radio and read back, with timings.
demo: deps
	cmake --preset release
	cmake --build --preset release --target pendrak-cli pendrak-demo-contacts
	bash scripts/demo.sh build/release/bin

clean:
	rm -rf build

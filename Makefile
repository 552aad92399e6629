# The two commands of the README. Both install what they need first.
.PHONY: deps build test test-windows demo clean

deps:
	bash scripts/deps.sh

build: deps
	cmake --preset dev
	cmake --build --preset dev

test: build
	ctest --preset dev
	$(MAKE) test-windows

# The Windows build, its tests run under wine. The wine prefix is made once
# up front (about 15 s) rather than by whichever test starts first.
test-windows: deps
	scripts/wine-run.sh cmd /c exit
	cmake --preset mingw
	cmake --build --preset mingw
	ctest --preset mingw

# The main job on the built-in emulator: 130,000 contacts written to an
# emulated radio and read back, with timings.
demo: deps
	cmake --preset release
	cmake --build --preset release --target pendrak-cli pendrak-demo-contacts
	bash scripts/demo.sh build/release/bin

clean:
	rm -rf build

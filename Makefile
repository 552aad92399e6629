# The two commands of the README. Both install what they need first.
.PHONY: deps build test demo clean

deps:
	bash scripts/deps.sh

build: deps
	cmake --preset dev
	cmake --build --preset dev

test: build
	ctest --preset dev

# The main job on the built-in emulator: 130,000 contacts written to an
# emulated radio and read back, with timings.
demo: deps
	cmake --preset release
	cmake --build --preset release --target pendrak-cli pendrak-demo-contacts
	bash scripts/demo.sh build/release/bin

clean:
	rm -rf build

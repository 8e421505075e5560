# Front door of the build. `make test` is what CI runs.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan

.PHONY: all deps configure build test asan tsan bench clean demo data data-faces

all: build

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVISAGEN_SANITIZE=ON -DVISAGEN_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The code that runs on worker threads (the shared thread pool of the matrix
# products and resampling, the detector's parallel scan, the command line's
# early eye finder) under ThreadSanitizer: their tests and a whole create.
TSAN_TESTS = test_numerics test_image test_detect
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISAGEN_TSAN=ON -DVISAGEN_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS) visagen-cli
	set -e; for t in $(TSAN_TESTS); do TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/$$t --gtest_brief=1; done
	mkdir -p $(TSAN_BUILD)/out
	TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/cli/visagen-cli create $(DEMO_PHOTO) -o $(TSAN_BUILD)/out/avatar.obj

bench: build
	$(BUILD)/bench/visagen_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)

# The sample portrait to a textured head and its previews, with no eye hints:
# out/avatar.obj with its material and JPEG texture, out/avatar.png (front
# view) and out/avatar-3q.png (three-quarter view).
DEMO_PHOTO ?= samples/grace_hopper.jpg
demo: configure
	cmake --build $(BUILD) --target visagen-cli -j $(JOBS)
	mkdir -p out
	$(BUILD)/cli/visagen-cli create $(DEMO_PHOTO) -o out/avatar.obj
	$(BUILD)/cli/visagen-cli render out/avatar.obj -o out/avatar.png
	@echo "demo: wrote out/avatar.obj, out/avatar.jpg, out/avatar.png and out/avatar-3q.png"

# Rebuilds the trained files of data/ from labelled portraits: a folder with
# landmarks-68.json and the images it names. Fixed seeds, so the same
# portraits give the same files.
FACES ?= ../shared/faces
DATA ?= data
SEED ?= 1
AUTHOR = $(BUILD)/tools/visagen-author
# Face-free pictures and crops from Debian packages (python3-skimage,
# opencv-doc) for the detector's negatives, and portraits kept out of
# training to report on.
SKIMAGE_DATA ?= /usr/lib/python3/dist-packages/skimage/data
OPENCV_DATA ?= /usr/share/doc/opencv-doc/examples/data
DETECTOR_NEGATIVES ?= $(addprefix $(SKIMAGE_DATA)/,brick.png coffee.png coins.png grass.png gravel.png \
  hubble_deep_field.jpg moon.png page.png text.png rocket.jpg horse.png chelsea.png motorcycle_left.png retina.jpg) \
  $(addprefix $(OPENCV_DATA)/,building.jpg fruits.jpg board.jpg box_in_scene.png home.jpg graf1.png leuvenA.jpg \
  aero1.jpg butterfly.jpg orange.jpg apple.jpg smarties.png stuff.jpg sudoku.png notes.png blox.jpg)
DETECTOR_CROPS ?= $(SKIMAGE_DATA)/lfw_subset.npy:100
# Further options of the two trainers (for instance --limit N or --jitter N
# for the face model); the shipped files use none.
TRAIN_FACE_ARGS ?=
TRAIN_DETECTOR_ARGS ?=
REPORT_PORTRAITS ?= $(OPENCV_DATA)/messi5.jpg $(REPORT_DIR)/einstein.jpg
data: data-faces configure teacher
	cmake --build $(BUILD) --target visagen-author -j $(JOBS)
	rm -rf $(DATA)/QuorHeadLoadDir $(DATA)/Standard.qvhead $(DATA)/Head.qvface
	$(AUTHOR) make-head $(DATA)
	$(AUTHOR) train-face --faces $(FACES) --out $(DATA)/Head.qvface --seed $(SEED) $(TRAIN_FACE_ARGS)
	$(AUTHOR) train-detector --faces $(FACES) --out $(DATA)/networks --negatives $(DETECTOR_NEGATIVES) \
	  --crops $(DETECTOR_CROPS) --report-portrait $(REPORT_PORTRAITS) $(TRAIN_DETECTOR_ARGS)
	$(MAKE) report

# The held-out portraits and the Debian portraits no training uses, fitted
# with the data of $(DATA): the teacher labels the Debian ones (einstein.jpg
# is taken out of the r-cran-openxlsx package without installing R), then
# the errors are measured per portrait.
REPORT_DIR ?= $(BUILD)/report
.PHONY: report teacher
teacher:
	bash scripts/install-deps --teacher
	mkdir -p $(REPORT_DIR)
	@if [ ! -f $(REPORT_DIR)/einstein.jpg ]; then \
	  cd $(REPORT_DIR) && apt-get download r-cran-openxlsx >/dev/null && \
	  dpkg-deb --fsys-tarfile r-cran-openxlsx_*.deb | tar -xO ./usr/lib/R/site-library/openxlsx/extdata/einstein.jpg > einstein.part && \
	  mv einstein.part einstein.jpg && \
	  rm -f r-cran-openxlsx_*.deb; \
	fi

report: data-faces configure teacher
	cmake -S . -B $(BUILD) >/dev/null
	cmake --build $(BUILD) --target visagen-author visagen-label -j $(JOBS)
	$(BUILD)/tools/visagen-label --out $(REPORT_DIR)/landmarks-68.json $(abspath $(REPORT_PORTRAITS))
	$(AUTHOR) evaluate --faces $(REPORT_DIR) --data $(DATA) --all --each
	$(AUTHOR) evaluate --faces $(FACES) --data $(DATA)

data-faces:
	@if [ ! -f "$(FACES)/landmarks-68.json" ]; then \
	  echo "make data: no labelled portraits in $(FACES) (landmarks-68.json is missing)."; \
	  echo "Pass the folder of training portraits: make data FACES=/path/to/faces"; \
	  exit 2; \
	fi

# Installs visagen and visagen-cli in $(PREFIX)/bin, the data directory (with
# the tutorial and the external face finder) in $(PREFIX)/share/visagen/data,
# and writes /etc/visagen/settings.ini naming it; DESTDIR is honoured.
PREFIX ?= /usr/local
.PHONY: install
install: build
	bash scripts/install-visagen --build $(BUILD) --prefix $(PREFIX) --destdir "$(DESTDIR)"

# The desktop program on the staged data directory (data/ with the face
# finder library and the generated tutorial; data/ itself when not staged).
.PHONY: gui bench-gui
gui: configure
	cmake --build $(BUILD) --target visagen visagen-data -j $(JOBS)
	@if [ -d $(BUILD)/gui/data ]; then dir=$(BUILD)/gui/data; else dir=data; fi; \
	  echo "visagen --data-dir $$dir"; $(BUILD)/gui/visagen --data-dir $$dir

# Start-up time of the desktop program to a drawn main window, under a
# virtual X display: 7 runs and their median.
bench-gui: configure
	cmake --build $(BUILD) --target visagen visagen-data -j $(JOBS)
	@if [ -d $(BUILD)/gui/data ]; then dir=$(BUILD)/gui/data; else dir=data; fi; \
	  bash scripts/bench-gui $(BUILD)/gui/visagen $$dir 7

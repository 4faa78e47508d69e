// The page around the show's module (nivora-web.js): loading with progress,
// the poster and Play, the canvas's size, keys, fullscreen, the audio output's
// page side and errors in plain words. The module reaches it as nivoraPage.
"use strict";

const nivoraPage = (() => {
  const $ = (id) => document.getElementById(id);
  const canvas = $("canvas");
  const events = [];        // [kind, a, b, c] for the module's pump (shell/web/web_events.h)
  const log = [];           // every notice, for the tests: {what, text}
  let running = false;      // the module's main is running
  let frameTimes = [];      // recent animation frame intervals, ms
  let lastFrameAt = 0;
  const kind = { keyDown: 1, keyUp: 2, resized: 3, contextLost: 4, contextRestored: 5, close: 6 };

  function notice(what, text) {
    log.push({ what, text, at: performance.now() });
    console.info(`nivora: ${what}: ${text}`);  // for a browser no test drives but its log
    $("status").textContent = text;
  }

  function showError(text) {
    const box = $("error");
    // A fatal error comes twice, as its standard error line and as its box.
    if (box.textContent.split("\n").pop() === text) return;
    log.push({ what: "error", text, at: performance.now() });
    box.hidden = false;
    box.textContent = box.textContent ? box.textContent + "\n" + text : text;
  }

  // The drawing buffer follows the stage's size in device pixels; the module
  // lays the 4:3 picture out again between black bars.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    const height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    if (canvas.width === width && canvas.height === height) return;
    canvas.width = width;
    canvas.height = height;
    if (running) events.push([kind.resized, width, height, 0]);
  }

  function toggleFullscreen() {
    const stage = $("stage");
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else stage.requestFullscreen().catch((e) => notice("fullscreen", "fullscreen refused: " + e.message));
  }

  // Keys as virtual-key numbers, which the DOM's keyCode already is.
  const showKeys = new Set([27, 32, 35, 36, 37, 39, 70, 72]);
  function onKey(e, down) {
    if (!running || e.keyCode <= 0 || e.keyCode >= 256) return;
    if (showKeys.has(e.keyCode)) e.preventDefault();
    events.push([down ? kind.keyDown : kind.keyUp, e.keyCode, e.altKey ? 1 : 0, e.repeat ? 1 : 0]);
  }

  // The audio output's page side (music/web/audio_output_web.cpp): the
  // context and its worklet are made on Play, inside the click.
  const queueBlocks = 16;  // 186 ms at 512 frames: covers a slow frame of the page
  const maxQueueBlocks = 128;  // 1.5 s
  const audio = {
    ctx: null, node: null, view: null, frames: 512, rate: 44100,
    pending: 0, nextStart: 0, playing: false, heldAt: 0, filling: false, stamp: 0,

    async prepare() {
      this.ctx = new AudioContext({ sampleRate: 44100, latencyHint: "interactive" });
      await this.ctx.audioWorklet.addModule("audio_worklet.js");
      this.node = new AudioWorkletNode(this.ctx, "nivora-output",
        { numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2] });
      this.node.connect(this.ctx.destination);
      this.node.port.onmessage = (e) => this.started(e.data.at);
      // A browser with no sound device never starts the context: said, not waited on.
      let timer = 0;
      const late = new Promise((resolve, reject) => {
        timer = setTimeout(() => reject(new Error("no sound output answered in 5 s")), 5000);
      });
      await Promise.race([this.ctx.resume(), late]).finally(() => clearTimeout(timer));
    },
    open(rate, frames, view) {
      if (!this.ctx) return 0;
      this.frames = frames;
      this.view = view;
      this.rate = this.ctx.sampleRate;
      return this.rate;
    },
    // The context time heard now, from the output's own timestamp. That counts
    // the context's device buffer (its base latency) once too often: through a
    // PulseAudio null sink, clicks were heard 13.4 ms before it said, at a base
    // latency of 11.6 ms.
    heardNow() {
      const ts = this.ctx.getOutputTimestamp ? this.ctx.getOutputTimestamp() : null;
      if (ts && ts.performanceTime > 0)
        return ts.contextTime + (performance.now() - ts.performanceTime) / 1000 +
          (this.ctx.baseLatency || 0);
      return this.ctx.currentTime - (this.ctx.outputLatency || this.ctx.baseLatency || 0);
    },
    // The module's clock: the context time that will be heard when the frame
    // begun now is presented, one refresh later. While a block is filled, the
    // instant its first frame will be heard on the same clock.
    clockSeconds() {
      if (this.filling) return this.stamp;
      return this.heardNow() + 1 / refreshHz();
    },
    fillOne() {
      const blockSeconds = this.frames / this.rate;
      const start = Math.max(this.nextStart, this.ctx.currentTime + 128 / this.rate);
      this.stamp = start + 1 / refreshHz();
      this.filling = true;
      try {
        Module._TakeWebAudioBlock();
      } finally {
        this.filling = false;
      }
      const block = this.view().slice();
      this.node.port.postMessage({ block }, [block.buffer]);
      this.pending++;
      this.nextStart = start + blockSeconds;
    },
    // The page fills only between frames: the queue covers twice the slowest
    // recent frame, so a slow one (a first shader compile, a loaded machine)
    // does not run it dry; before frames are measured, the first ones being
    // the slowest, it is full. The blocks are stamped: depth costs no sync.
    depth() {
      if (frameTimes.length < 8) return maxQueueBlocks;
      const slowest = Math.max(...frameTimes);
      const blocks = Math.ceil(2 * slowest / 1000 * this.rate / this.frames);
      return Math.min(maxQueueBlocks, Math.max(queueBlocks, blocks));
    },
    fill() {
      const depth = this.depth();
      while (this.playing && this.pending < depth) this.fillOne();
    },
    // The worklet began a queued block at context time `at`.
    started(at) {
      this.pending = Math.max(0, this.pending - 1);
      this.nextStart = at + (this.pending + 1) * this.frames / this.rate;
      this.fill();
    },
    run(on) {
      if (!this.node || on === this.playing) return;
      this.playing = on;
      if (on) {
        // Time held does not count: the queued blocks play on from where they stood.
        if (this.heldAt > 0) this.nextStart += this.ctx.currentTime - this.heldAt;
        this.node.port.postMessage({ run: true });
        this.fill();
      } else {
        this.heldAt = this.ctx.currentTime;
        this.node.port.postMessage({ run: false });
      }
    },
    close() {
      this.playing = false;
      if (this.node) this.node.port.postMessage({ close: true });
    },
  };

  function refreshHz() {
    if (frameTimes.length < 8) return 60;
    const sorted = frameTimes.slice().sort((a, b) => a - b);
    const ms = sorted[sorted.length >> 1];
    return ms > 4 ? 1000 / ms : 60;
  }

  let frameWaiters = 0;
  function nextFrame() {
    // The frame is drawn and not yet presented: the tests read it back here.
    if (page.onDrawn) page.onDrawn();
    if (page.clickedAt > 0 && page.firstFrameAt === 0) page.firstFrameAt = performance.now();
    frameWaiters++;
    return new Promise((resolve) => requestAnimationFrame((t) => {
      frameWaiters--;
      if (lastFrameAt > 0) {
        frameTimes.push(t - lastFrameAt);
        if (frameTimes.length > 31) frameTimes.shift();
      }
      lastFrameAt = t;
      page.frames++;
      resolve();
    }));
  }

  function startOrder() {
    const m = /(?:^#|&)order=(\d+)/.exec(location.hash);
    return m ? Number(m[1]) : 0;
  }

  // What the browser lacks, in plain words, or null.
  function missingFeature() {
    if (!document.createElement("canvas").getContext("webgl2"))
      return "This browser gives the page no WebGL 2, which the show draws with.";
    if (!window.AudioContext || !window.AudioWorkletNode)
      return "This browser has no Web Audio with audio worklets, which the show plays its music with.";
    if (typeof WebAssembly !== "object")
      return "This browser runs no WebAssembly, which the show is made of.";
    return null;
  }

  // Every file of the site, with a byte count for the progress line.
  async function fetchAll(list) {
    let done = 0;
    const total = list.reduce((sum, f) => sum + f.size, 0);
    const progress = $("progress");
    const show = () => { progress.textContent = `Loading ${Math.floor(100 * done / total)} %`; };
    async function one(f) {
      const response = await fetch(f.path);
      if (!response.ok) throw new Error(`${f.path}: ${response.status} ${response.statusText}`);
      const reader = response.body.getReader();
      const parts = [];
      for (;;) {
        const { done: end, value } = await reader.read();
        if (end) break;
        parts.push(value);
        done += value.length;
        show();
      }
      const bytes = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
      let at = 0;
      for (const p of parts) { bytes.set(p, at); at += p.length; }
      return bytes;
    }
    const results = await Promise.allSettled(list.map(one));
    return results.map((r, i) => ({ path: list[i].path, bytes: r.status === "fulfilled" ? r.value : null,
      failure: r.status === "rejected" ? r.reason.message : null }));
  }

  function loadScript(src) {
    return new Promise((resolve, reject) => {
      const s = document.createElement("script");
      s.src = src;
      s.onload = resolve;
      s.onerror = () => reject(new Error(`${src} did not load`));
      document.body.appendChild(s);
    });
  }

  async function load() {
    const missing = missingFeature();
    if (missing) {
      showError(missing);
      $("progress").textContent = "";
      notice("unsupported", missing);
      return;
    }
    const manifest = await (await fetch("files.json")).json();
    const files = await fetchAll(manifest.files);
    const wasm = files.find((f) => f.path === "nivora-web.wasm");
    if (!wasm.bytes) throw new Error(`the show's program did not load: ${wasm.failure}`);
    for (const f of files) if (f.failure) showError(`A file of the show did not load: ${f.failure}`);
    window.Module = {
      wasmBinary: wasm.bytes.buffer,
      canvas,
      print: (line) => notice("stdout", line),
      printErr: (line) => { showError(line); console.warn(line); },
      onRuntimeInitialized() {
        for (const f of files) {
          if (!f.bytes || f.path.startsWith("nivora-web.")) continue;
          const dir = f.path.substring(0, f.path.lastIndexOf("/"));
          if (dir) Module.FS.mkdirTree(dir);
          Module.FS.writeFile(f.path, f.bytes);
        }
        $("progress").textContent = "Ready";
        $("play").disabled = false;
        notice("ready", "ready to play");
      },
    };
    await loadScript("nivora-web.js");
  }

  async function play() {
    $("play").disabled = true;
    if (page.ended) {
      location.reload();  // the show's state is made once a page: a fresh one plays again
      return;
    }
    page.clickedAt = performance.now();
    try {
      await audio.prepare();
    } catch (e) {
      showError(`The sound could not start: ${e.message}`);
      return;
    }
    $("start").hidden = true;
    $("poster").hidden = true;
    running = true;
    fitCanvas();
    canvas.focus();
    try {
      Module.callMain([]);
    } catch (e) {
      if (!(e && e.name === "ExitStatus")) throw e;
    }
  }

  function wire() {
    $("play").addEventListener("click", play);
    $("fullscreen").addEventListener("click", toggleFullscreen);
    canvas.addEventListener("dblclick", toggleFullscreen);
    window.addEventListener("keydown", (e) => onKey(e, true));
    window.addEventListener("keyup", (e) => onKey(e, false));
    new ResizeObserver(fitCanvas).observe(canvas);
    canvas.addEventListener("webglcontextlost", (e) => {
      e.preventDefault();  // asks for the context back
      events.push([kind.contextLost, 0, 0, 0]);
      notice("contextlost", "The picture's GL context was lost; waiting for it to come back.");
    });
    canvas.addEventListener("webglcontextrestored", () => {
      events.push([kind.contextRestored, 0, 0, 0]);
      notice("contextrestored", "The GL context is back; the show goes on.");
    });
    window.addEventListener("unhandledrejection", (e) => {
      // The module's exit (after a fatal error, said already) unwinds as a rejection.
      if (e.reason && e.reason.name === "ExitStatus") {
        e.preventDefault();
        page.notice("ended", `the show stopped (status ${e.reason.status})`);
        return;
      }
      showError(`Something failed: ${e.reason && e.reason.message || e.reason}`);
    });
    fitCanvas();
  }

  const page = {
    frames: 0, ended: false, clickedAt: 0, firstFrameAt: 0, log, audio,
    takeEvent: () => events.shift(),
    nextFrame, refreshHz, startOrder, toggleFullscreen, showError, fitCanvas,
    loops: () => $("loop").checked,
    notice(what, text) {
      notice(what, text);
      if (what === "ended") {
        running = false;
        page.ended = true;
        $("start").hidden = false;
        $("play").textContent = "Play again";
        $("play").disabled = false;
        $("progress").textContent = "";
      }
    },
    showFigures(text) {
      const f = $("figures");
      f.hidden = text === null;
      if (text !== null) f.textContent = text;
    },
    stop: () => events.push([kind.close, 0, 0, 0]),
    // The pixel test's: each frame the module replays, read back at once.
    replayList: [],
    replayed: new Map(),
    takeReplayedFrame(frame) {
      const gl = canvas.getContext("webgl2");
      const pixels = new Uint8Array(4 * canvas.width * canvas.height);
      gl.readPixels(0, 0, canvas.width, canvas.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
      page.replayed.set(frame, { pixels, width: canvas.width, height: canvas.height });
    },
  };

  wire();
  load().catch((e) => showError(`The show could not load: ${e.message}`));
  return page;
})();

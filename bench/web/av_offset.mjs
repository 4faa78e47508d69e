// Picture against sound in headless Chromium, through a real PulseAudio null
// sink: the page plays the A/V bench's click module (a click and a sync every
// fourth row) in place of the show's, and the monitor's recording says when
// each click was heard. The same table as the native bench (ms, positive when
// the picture is later than the sound), a frame's instant being its
// presentation (the next animation frame's timestamp):
//   click vs frame: the first frame whose clock shows a click's row;
//   clock vs click: the instant the clock passes the row's start, between the
//                   two frames around it;
//   sync vs frame:  the frame a sync arrived in (its flash) against the first
//                   frame showing its row;
//   sync vs click:  that frame against the click.
//   node av_offset.mjs SITE_DIR CLICK_MODULE.xm
import { readFileSync } from "node:fs";
import { serveSite, launchChromium, openPage, waitForNotice } from "../../tests/web/browser.mjs";
import { startListening, onsets, pageClockOffset } from "../../tests/web/sound.mjs";

const [site, modulePath] = process.argv.slice(2);
const clickEvery = 4;

// Every animation frame's timestamp, and per drawn frame the song position it
// shows, the last sync stamp, and the index of the animation frame that
// presents it.
function recordFrames() {
  window.avFrames = { raf: [], drawn: [] };
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => request((t) => { avFrames.raf.push(t); callback(t); });
}

const listening = await startListening();
const server = await serveSite(site);
const { browser, close } = await launchChromium([], { pulseServer: listening.server });
// A small page: SwiftShader's frames stay short on a loaded machine.
const { page, problems } = await openPage(browser, server.url, { width: 320, height: 270, before: recordFrames });
await waitForNotice(page, "ready");
const module = readFileSync(modulePath).toString("base64");
await page.evaluate((b64) => {
  Module.FS.writeFile("soundtrack.mo3", Uint8Array.from(atob(b64), (c) => c.charCodeAt(0)));
  nivoraPage.onDrawn = () => avFrames.drawn.push([Module._ShownSongPosition(), Module._LastSyncStampMs(),
    avFrames.raf.length]);
}, module);
const before = await pageClockOffset(page);
await page.click("#play");
await waitForNotice(page, "playing");
const sink = await page.evaluate(() => ({ rate: nivoraPage.audio.ctx.sampleRate,
  latency: nivoraPage.audio.ctx.outputLatency, base: nivoraPage.audio.ctx.baseLatency }));
await waitForNotice(page, "ended", /./, 600000);
const after = await pageClockOffset(page);
const frames = await page.evaluate(() => avFrames);
await close();
server.close();
const { samples, receivedAt } = await listening.stop();

// Heard instants on the page's clock; each click to its row by time from the first.
const offset = (before.offset + after.offset) / 2;
const heardOnsets = onsets(samples).map((f) => receivedAt(f) + offset).filter((t) => !Number.isNaN(t));
const shown = frames.drawn.filter((d) => d[2] < frames.raf.length && d[0] >= 0)
  .map(([pos, sync, presentedBy]) => ({ pos, sync, at: frames.raf[presentedBy] }));
const rowOf = (pos) => (pos >> 12) * 64 + (pos & 4095) / 64;
// Underruns on a loaded machine delay the sound after them, so the clicks are
// not counted through: each heard click goes to the click row nearest the row
// the picture's clock showed at that instant (clicks are 545 ms apart), the
// first heard for a row counting.
const heard = [];
for (const t of heardOnsets) {
  const j = shown.findIndex((s) => s.at >= t);
  if (j <= 0) continue;
  const a = shown[j - 1], b = shown[j];
  const row = rowOf(a.pos) + (rowOf(b.pos) - rowOf(a.pos)) * (t - a.at) / (b.at - a.at);
  const k = Math.round(row / clickEvery);
  if (heard[k] === undefined) heard[k] = t;
}
// A new sync stamp is a sync arrived: it goes to the click whose row the frame shows.
const syncFrames = [];
for (let j = 1; j < shown.length; j++) {
  const k = Math.round(rowOf(shown[j].pos) / clickEvery);
  if (shown[j].sync !== shown[j - 1].sync && syncFrames[k] === undefined) syncFrames[k] = j;
}

const rows = { "click vs frame": [], "clock vs click": [], "sync vs frame": [], "sync vs click": [] };
heard.forEach((t, k) => {
  if (t === undefined) return;
  const row = k * clickEvery;
  const steps = Math.floor(row / 64) * 4096 + (row % 64) * 64;
  const j = shown.findIndex((s) => s.pos >= steps);
  if (j <= 0) return;
  const a = shown[j - 1], b = shown[j];
  rows["click vs frame"].push(b.at - t);
  rows["clock vs click"].push(a.at + (steps - a.pos) / (b.pos - a.pos) * (b.at - a.at) - t);
  const s = syncFrames[k];
  if (s !== undefined) {
    rows["sync vs frame"].push(shown[s].at - b.at);
    rows["sync vs click"].push(shown[s].at - t);
  }
});

if (process.env.AV_OFFSET_VERBOSE) {
  console.log("heard", heardOnsets.slice(0, 12).map((t) => t.toFixed(1)).join(" "));
  console.log("frames", shown.filter((_, i) => i % 10 === 0).slice(0, 40).map((s) => `${s.pos}@${s.at.toFixed(0)}`).join(" "));
}
const f2 = (x) => x.toFixed(2).padStart(6);
console.log(`web av_offset: ${heardOnsets.length} clicks heard, ${syncFrames.filter((j) => j !== undefined).length} syncs, ` +
  `${shown.length} frames; context at ${sink.rate} Hz, output latency ${(1000 * sink.latency).toFixed(1)} ms, ` +
  `base ${(1000 * sink.base).toFixed(1)} ms; page clock known to ±${(Math.max(before.trip, after.trip) / 2).toFixed(2)} ms`);
console.log("| offset (ms)      | count |  mean  |  p95   | p95 |x||  min   |  max   |");
console.log("|------------------|-------|--------|--------|--------|--------|--------|");
for (const [name, v] of Object.entries(rows)) {
  if (v.length === 0) { console.log(`| ${name.padEnd(16)} |     0 |   -    |   -    |   -    |   -    |   -    |`); continue; }
  const sorted = [...v].sort((x, y) => x - y);
  const absSorted = v.map(Math.abs).sort((x, y) => x - y);
  const at95 = Math.min(v.length - 1, Math.ceil(0.95 * v.length) - 1);
  const mean = v.reduce((s, x) => s + x, 0) / v.length;
  console.log(`| ${name.padEnd(16)} | ${String(v.length).padStart(5)} | ${f2(mean)} | ${f2(sorted[at95])} | ` +
    `${f2(absSorted[at95])} | ${f2(sorted[0])} | ${f2(sorted[sorted.length - 1])} |`);
}
if (problems.length) console.log(`page problems:\n${problems.join("\n")}`);
process.exit(heardOnsets.length >= 3 && problems.length === 0 ? 0 : 1);

// The page's sound through a real PulseAudio null sink, against the native
// render of the same seconds (nivora-capture's audio.wav): the loudness
// envelope, in 50 ms windows from the first sound on, follows the native one
// and keeps its level.
//   node sound_test.mjs SITE_DIR NATIVE_WAV SECONDS
import { readFileSync } from "node:fs";
import { serveSite, launchChromium, openPage, startShow, check, expect, finish } from "./browser.mjs";
import { startListening, rate } from "./sound.mjs";

const [site, wavPath, secondsText] = process.argv.slice(2);
const seconds = Number(secondsText);
const window = rate / 20;  // 50 ms

// 16-bit stereo PCM from a WAV's data chunk, as floats.
function readWav(file) {
  const b = readFileSync(file);
  let at = 12;
  while (at + 8 <= b.length && b.toString("latin1", at, at + 4) !== "data") at += 8 + b.readUInt32LE(at + 4);
  const n = Math.floor(Math.min(b.readUInt32LE(at + 4), b.length - at - 8) / 2);
  const out = new Float32Array(n);
  for (let i = 0; i < n; i++) out[i] = b.readInt16LE(at + 8 + 2 * i) / 32768;
  return out;
}

// RMS of each 50 ms window, both channels.
function envelope(stereo) {
  const out = [];
  for (let w = 0; (w + 1) * window * 2 <= stereo.length; w++) {
    let sum = 0;
    for (let i = w * window * 2; i < (w + 1) * window * 2; i++) sum += stereo[i] * stereo[i];
    out.push(Math.sqrt(sum / (window * 2)));
  }
  return out;
}
const firstSound = (e) => e.findIndex((x) => x > 0.005);

// The stream without its runs of 32 or more exactly silent frames: an underrun
// (a frame of the page slower than the queued sound, on a loaded machine)
// delays the blocks after it and plays zeros meanwhile; what is compared is
// the sound itself. Applied to both sides alike.
function withoutGaps(stereo) {
  const out = new Float32Array(stereo.length);
  let n = 0, run = 0;
  let gaps = 0;
  for (let f = 0; 2 * f + 1 < stereo.length; f++) {
    if (stereo[2 * f] === 0 && stereo[2 * f + 1] === 0) { run++; continue; }
    if (run > 0 && run < 32) { out.fill(0, n, n + 2 * run); n += 2 * run; }
    if (run >= 32) gaps++;
    run = 0;
    out[n++] = stereo[2 * f];
    out[n++] = stereo[2 * f + 1];
  }
  return { samples: out.subarray(0, n), gaps };
}

// Pearson correlation of a and b over n windows from their starts.
function correlation(a, from, b, n) {
  let ma = 0, mb = 0;
  for (let i = 0; i < n; i++) { ma += a[from + i]; mb += b[i]; }
  ma /= n; mb /= n;
  let ab = 0, aa = 0, bb = 0;
  for (let i = 0; i < n; i++) {
    const x = a[from + i] - ma, y = b[i] - mb;
    ab += x * y; aa += x * x; bb += y * y;
  }
  return ab / Math.sqrt(aa * bb);
}

await check(`sound: ${seconds} s heard through PulseAudio follow the native render`, async () => {
  const native = envelope(withoutGaps(readWav(wavPath)).samples);
  const listening = await startListening();
  const server = await serveSite(site);
  const { browser, close } = await launchChromium([], { pulseServer: listening.server });
  let recording;
  try {
    // A small page: its frames, drawn by SwiftShader on a loaded machine, leave
    // the fills between them time enough.
    const { page, problems } = await openPage(browser, server.url, { width: 320, height: 270 });
    await startShow(page);
    // Heard clock, not wall time: the page has played the seconds compared.
    const from = await page.evaluate(() => nivoraPage.audio.heardNow());
    await page.waitForFunction(([t, s]) => nivoraPage.audio.heardNow() > t + s + 1, [from, seconds],
      { timeout: 120000, polling: 100 });
    expect(problems.length === 0, problems.join("\n"));
  } finally {
    await close();
    server.close();
    recording = await listening.stop();
  }
  const squeezed = withoutGaps(recording.samples);
  const heard = envelope(squeezed.samples);
  const n = seconds * 20;
  const start = firstSound(native.slice(0)), onset = firstSound(heard);
  expect(onset >= 0, "the monitor recorded silence: chromium's sound did not reach the server");
  const ref = native.slice(start, start + n);
  expect(ref.length === n, `the native render is shorter than ${seconds} s`);
  // The onsets agree to a window or two; the best lag near them is compared.
  let best = { r: -1, lag: 0 };
  for (let lag = -2; lag <= 2; lag++) {
    const from = onset + lag;
    if (from < 0 || from + n > heard.length) continue;
    const r = correlation(heard, from, ref, n);
    if (r > best.r) best = { r, lag };
  }
  let heardSum = 0, refSum = 0;
  for (let i = 0; i < n; i++) { heardSum += heard[onset + best.lag + i] || 0; refSum += ref[i]; }
  const ratio = heardSum / refSum;
  if (process.env.SOUND_DEBUG) console.log(JSON.stringify({ start, onset, heardLen: heard.length, ref: ref.slice(0, 300).map((x) => +x.toFixed(3)), heard: heard.slice(onset, onset + 300).map((x) => +x.toFixed(3)) }));
  console.log(`sound: envelope correlation ${best.r.toFixed(4)} at lag ${best.lag * 50} ms, ` +
    `level ratio ${ratio.toFixed(3)}, ${squeezed.gaps} gaps of silence left out`);
  expect(best.r >= 0.95, `the heard envelope does not follow the native one (r = ${best.r.toFixed(3)})`);
  expect(ratio > 0.89 && ratio < 1.12, `the heard level is ${ratio.toFixed(3)} of the native one`);
});

finish();

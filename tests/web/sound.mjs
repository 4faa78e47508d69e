// The page's sound as a listener gets it: a private PulseAudio server with a
// null sink (tests/e2e/sound_session.sh), chromium playing into it, and the sink's
// monitor recorded by parecord as it arrives, each chunk stamped on this
// process's clock.
import { spawn } from "node:child_process";
import { existsSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

export const rate = 44100;
const session = fileURLToPath(new URL("../e2e/sound_session.sh", import.meta.url));

async function waitFor(condition, what, timeout = 30000) {
  for (const end = performance.now() + timeout; !condition();) {
    if (performance.now() > end) throw new Error(`${what} did not happen in ${timeout / 1000} s`);
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}

// Starts the server and the recording; `server` is the PULSE_SERVER for chromium.
export async function startListening() {
  const dir = mkdtempSync(path.join(tmpdir(), "nivora-pulse-"));
  const pulse = spawn("bash", [session, "start", "pulse", dir], { stdio: "ignore" });
  const address = path.join(dir, "server");
  await waitFor(() => existsSync(address) && readFileSync(address, "utf8").trim() !== "",
    "the PulseAudio server's start");
  const server = readFileSync(address, "utf8").trim();
  const recorder = spawn("bash", [session, "record", dir, "2"], { stdio: ["ignore", "pipe", "inherit"] });
  const chunks = [];
  const arrivals = [];  // [ms on performance.now(), frames received by then]
  let bytes = 0;
  recorder.stdout.on("data", (chunk) => {
    chunks.push(chunk);
    bytes += chunk.length;
    arrivals.push([performance.now(), Math.floor(bytes / 8)]);
  });
  await waitFor(() => bytes > 0, "the monitor's first samples");
  return {
    server,
    // Ends the recording and the server; the recording as interleaved stereo.
    async stop() {
      const closed = new Promise((resolve) => recorder.stdout.on("close", resolve));
      recorder.kill("SIGTERM");
      await closed;
      pulse.kill("SIGTERM");
      await new Promise((resolve) => pulse.exitCode !== null ? resolve() : pulse.on("exit", resolve));
      rmSync(dir, { recursive: true, force: true });
      const all = Buffer.concat(chunks);
      const whole = Math.floor(all.length / 8) * 8;
      const samples = new Float32Array(all.buffer.slice(all.byteOffset, all.byteOffset + whole));
      // The time (ms, this process's clock) the recording received frame n.
      const receivedAt = (n) => {
        let lo = 0, hi = arrivals.length - 1;
        if (hi < 0 || arrivals[hi][1] <= n) return NaN;
        while (lo < hi) {
          const mid = (lo + hi) >> 1;
          if (arrivals[mid][1] > n) hi = mid; else lo = mid + 1;
        }
        return arrivals[lo][0] - 1000 * (arrivals[lo][1] - 1 - n) / rate;
      };
      return { samples, receivedAt };
    },
  };
}

// First frames of sounds after at least `quiet` frames of silence.
export function onsets(stereo, quiet = 2000, level = 0.02) {
  const at = [];
  let still = quiet;
  for (let f = 0; 2 * f + 1 < stereo.length; f++) {
    if (Math.max(Math.abs(stereo[2 * f]), Math.abs(stereo[2 * f + 1])) > level) {
      if (still >= quiet) at.push(f);
      still = 0;
    } else {
      still++;
    }
  }
  return at;
}

// The page's clock minus this process's, in ms, from the quickest of a few
// round trips (its half is the error bound).
export async function pageClockOffset(page, tries = 25) {
  let best = { trip: Infinity, offset: 0 };
  for (let i = 0; i < tries; i++) {
    const sent = performance.now();
    const there = await page.evaluate(() => performance.now());
    const back = performance.now();
    if (back - sent < best.trip) best = { trip: back - sent, offset: there - (sent + back) / 2 };
  }
  return best;
}

// The browser's picture against the native capture's: frames the capture wrote
// (nivora-capture --frames REF --fps FPS) replayed in the page on the offline
// clock, read back from the WebGL 2 canvas and compared pixel by pixel.
//   node pixels_test.mjs SITE_DIR REF_DIR FPS [STATES_PER_ORDER]
// Prints one line per frame and a table per order; fails when a frame is
// under 35 dB PSNR or over 1.5 mean absolute difference in a channel.
import { readdirSync } from "node:fs";
import { serveSite, launchChromium, openPage, waitForNotice, startShow, check, expect, finish }
  from "./browser.mjs";

const [site, refDir, fpsText, statesText] = process.argv.slice(2);
const fps = Number(fpsText);
const states = Number(statesText || 5);
const captured = readdirSync(refDir).filter((f) => /^frame-\d+\.png$/.test(f)).length;
const server = await serveSite(site, { "/ref/": refDir });
const chromium = await launchChromium();

// Evenly inside each order, away from its first and last frame.
function framesPerOrder(starts) {
  const chosen = [];
  for (let o = 0; o < starts.length; o++) {
    const first = Math.ceil(starts[o] * fps / 1000) + 1;
    const last = (o + 1 < starts.length ? Math.floor(starts[o + 1] * fps / 1000) : captured) - 2;
    for (let i = 0; i < states; i++) {
      const f = Math.round(first + (last - first) * (i + 0.5) / states);
      if (f > (chosen.length ? chosen[chosen.length - 1].frame : -1)) chosen.push({ order: o, frame: f });
    }
  }
  return chosen;
}

await check(`pixels: ${states} frames per order against the capture at ${fps} fps`, async () => {
  const { page, problems } = await openPage(chromium.browser, server.url);
  await startShow(page);
  await page.keyboard.press("Space");
  await waitForNotice(page, "paused");
  const starts = await page.evaluate(() => {
    const out = [];
    for (let o = 0; ; o++) {
      const ms = Module._OrderStartMs(o);
      if (ms < 0) return out;
      out.push(ms);
    }
  });
  const chosen = framesPerOrder(starts);
  const results = await page.evaluate(async ([list, rate]) => {
    nivoraPage.replayList = list.map((c) => c.frame);
    const drawn = Module._ReplayCaptureFrames(list.length, rate);
    const out = [];
    for (const c of list) {
      const mine = nivoraPage.replayed.get(c.frame);
      const name = `ref/frame-${String(c.frame).padStart(6, "0")}.png`;
      const bitmap = await createImageBitmap(await (await fetch(name)).blob());
      const ref = new OffscreenCanvas(bitmap.width, bitmap.height).getContext("2d");
      ref.drawImage(bitmap, 0, 0);
      const theirs = ref.getImageData(0, 0, bitmap.width, bitmap.height).data;
      const { width, height, pixels } = mine;
      const abs = [0, 0, 0];
      let squares = 0;
      for (let y = 0; y < height; y++) {
        const mineRow = (height - 1 - y) * width * 4;  // GL's rows run bottom up
        for (let x = 0; x < width; x++) {
          for (let ch = 0; ch < 3; ch++) {
            const d = pixels[mineRow + 4 * x + ch] - theirs[(y * width + x) * 4 + ch];
            abs[ch] += Math.abs(d);
            squares += d * d;
          }
        }
      }
      const n = width * height;
      const mse = squares / (3 * n);
      out.push({ ...c, psnr: mse === 0 ? 99 : 10 * Math.log10(255 * 255 / mse),
        mean: abs.map((a) => a / n) });
      nivoraPage.replayed.delete(c.frame);
    }
    return { drawn, out };
  }, [chosen, fps]);
  expect(results.drawn === chosen.length, `replayed ${results.drawn} of ${chosen.length} frames`);
  const bad = [];
  console.log("order frame  PSNR dB  mean |d| r/g/b");
  for (const r of results.out) {
    const line = `${String(r.order).padStart(5)} ${String(r.frame).padStart(5)} ${r.psnr.toFixed(2).padStart(8)}` +
      `  ${r.mean.map((m) => m.toFixed(3)).join("/")}`;
    console.log(line);
    if ((r.psnr < 35 || r.mean.some((m) => m > 1.5))) bad.push(line.trim());
  }
  console.log("order  frames  min PSNR  worst mean |d|");
  for (let o = 0; o < starts.length; o++) {
    const rows = results.out.filter((r) => r.order === o);
    if (!rows.length) continue;
    const minPsnr = Math.min(...rows.map((r) => r.psnr));
    const worst = Math.max(...rows.flatMap((r) => r.mean));
    console.log(`${String(o).padStart(5)} ${String(rows.length).padStart(7)} ${minPsnr.toFixed(2).padStart(9)} ${worst.toFixed(3).padStart(15)}`);
  }
  expect(bad.length === 0, `frames off the capture:\n${bad.join("\n")}`);
  expect(problems.length === 0, problems.join("\n"));
  await page.close();
});

await chromium.close();
server.close();
finish();

// The browser port's figures in headless Chromium (SwiftShader's WebGL 2):
// click to first frame, frames per second in every order at 640x480, and the
// wasm heap in use at each order's start (it must not grow while the show plays).
//   node bench/web/measure.mjs SITE_DIR [SECONDS_PER_ORDER]
import { serveSite, launchChromium, openPage, waitForNotice, startShow }
  from "../../tests/web/browser.mjs";

const [site, secondsText] = process.argv.slice(2);
const seconds = Number(secondsText || 4);
const server = await serveSite(site);
const chromium = await launchChromium();
// The stage is the page less its 2.2em bar: a 640x480 canvas.
const { page } = await openPage(chromium.browser, server.url, { width: 640, height: 480 + 31 });
await startShow(page);
const start = await page.evaluate(() => ({
  firstFrame: nivoraPage.firstFrameAt - nivoraPage.clickedAt,
  playing: nivoraPage.log.find((n) => n.what === "playing").at - nivoraPage.clickedAt,
  canvas: [canvas.width, canvas.height],
}));
console.log(`click to first frame ${start.firstFrame.toFixed(0)} ms; to the show's first frame ` +
  `(after the loading picture's fades) ${start.playing.toFixed(0)} ms; canvas ${start.canvas.join("x")}`);
await page.keyboard.press("Home");
await waitForNotice(page, "sought");
console.log("order   fps  heap in use at its start, grown over its frames (bytes)");
for (let order = 0; order < 19; order++) {
  if (order > 0) {
    const seeks = await page.evaluate(() => nivoraPage.log.filter((n) => n.what === "sought").length);
    await page.keyboard.press("ArrowRight");
    await page.waitForFunction((n) => nivoraPage.log.filter((x) => x.what === "sought").length > n, seeks);
  }
  const figures = await page.evaluate(async (s) => {
    const heap = Module._HeapInUse();
    const f0 = nivoraPage.frames, t0 = performance.now();
    await new Promise((r) => setTimeout(r, s * 1000));
    return { fps: (nivoraPage.frames - f0) * 1000 / (performance.now() - t0), heap,
      grown: Module._HeapInUse() - heap };
  }, seconds);
  console.log(`${String(order).padStart(5)} ${figures.fps.toFixed(1).padStart(5)}  ${figures.heap} ${figures.grown}`);
}
const heapEnd = await page.evaluate(() => Module._HeapInUse());
console.log(`heap in use at the end ${heapEnd}`);
await chromium.close();
server.close();

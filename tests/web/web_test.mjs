// The browser port in headless Chromium: the show plays with sound, the keys
// act as the desktop player's, the picture keeps black bars at any size, and
// what goes wrong is said on the page in plain words.
//   node web_test.mjs SITE_DIR
import { serveSite, launchChromium, openPage, waitForNotice, startShow, waitFrames, check, expect, finish }
  from "./browser.mjs";

const site = process.argv[2];
const server = await serveSite(site);
const chromium = await launchChromium();
const browser = chromium.browser;

const position = (page) => page.evaluate(() => nivoraPage.log.filter((n) => n.what === "sought" ||
  n.what === "paused" || n.what === "resumed").map((n) => n.text));
const orderOf = (text) => Number(/order (\d+)/.exec(text)[1]);

// One row of the next frame the show draws, read before it is presented, as
// [r, g, b] per drawing-buffer pixel; `y` counts from the top.
async function rowOfNextFrame(page, y) {
  return page.evaluate((py) => new Promise((resolve) => {
    nivoraPage.onDrawn = () => {
      nivoraPage.onDrawn = null;
      const gl = canvas.getContext("webgl2");
      const out = new Uint8Array(4 * canvas.width);
      gl.readPixels(0, canvas.height - 1 - py, canvas.width, 1, gl.RGBA, gl.UNSIGNED_BYTE, out);
      const row = [];
      for (let i = 0; i < canvas.width; i++) row.push([out[4 * i], out[4 * i + 1], out[4 * i + 2]]);
      resolve(row);
    };
  }), y);
}
const lit = (p) => p[0] + p[1] + p[2] > 0;

await check("plays: frames follow the music's clock, the worklet takes blocks", async () => {
  const { page, problems } = await openPage(browser, server.url);
  await startShow(page);
  await waitFrames(page, 30);
  const audio = await page.evaluate(() => ({ state: nivoraPage.audio.ctx.state, pending: nivoraPage.audio.pending }));
  expect(audio.state === "running", `the audio context is ${audio.state}`);
  expect(audio.pending > 0, "no block is queued in the worklet");
  // The heard clock moves: the figures' row advances.
  await page.keyboard.press("h");
  await waitFrames(page, 2);
  const first = await page.textContent("#figures");
  await waitFrames(page, 30);
  const later = await page.textContent("#figures");
  expect(first !== later && /order \d+ row \d+/.test(later), `the figures stand still: ${first} / ${later}`);
  expect(problems.length === 0, problems.join("\n"));
  await page.close();
});

await check("keys: pause and resume, seek by order, Home", async () => {
  const { page, problems } = await openPage(browser, server.url);
  await startShow(page);
  await waitFrames(page, 10);
  await page.keyboard.press("Space");
  const paused = (await waitForNotice(page, "paused")).text;
  const heldAt = await page.evaluate(() => nivoraPage.audio.playing);
  expect(!heldAt, "the sound goes on while paused");
  await page.keyboard.press("Space");
  await waitForNotice(page, "resumed");
  await page.keyboard.press("ArrowRight");
  await page.keyboard.press("ArrowRight");
  await page.waitForFunction(() => nivoraPage.log.filter((n) => n.what === "sought").length >= 2);
  let seeks = (await position(page)).filter((t) => t.startsWith("sought"));
  expect(orderOf(seeks[1]) === orderOf(paused) + 2 || orderOf(seeks[1]) === 2,
    `two orders on from order ${orderOf(paused)}: ${seeks.join(" | ")}`);
  await page.keyboard.press("ArrowLeft");
  await page.keyboard.press("Home");
  await page.waitForFunction(() => nivoraPage.log.filter((n) => n.what === "sought").length >= 4);
  seeks = (await position(page)).filter((t) => t.startsWith("sought"));
  expect(orderOf(seeks[2]) === orderOf(seeks[1]) - 1, `one back: ${seeks.join(" | ")}`);
  expect(orderOf(seeks[3]) === 0, `Home: ${seeks[3]}`);
  // Escape ends the show with the fade.
  await page.keyboard.press("Escape");
  await waitForNotice(page, "ended");
  expect(problems.length === 0, problems.join("\n"));
  await page.close();
});

await check("layout: a wide page gets black bars, the picture stays 4:3, fullscreen", async () => {
  const { page, problems } = await openPage(browser, `${server.url}#order=2`, { width: 1200, height: 500 });
  await startShow(page);
  await waitForNotice(page, "sought", /order 2 /);
  await waitFrames(page, 5);
  const size = await page.evaluate(() => [canvas.width, canvas.height]);
  const bar = Math.floor((size[0] - Math.round(size[1] * 4 / 3)) / 2);
  const row = await rowOfNextFrame(page, size[1] >> 1);
  expect(!row.slice(0, bar - 1).some(lit) && !row.slice(size[0] - bar + 1).some(lit),
    `the bars ${bar} px wide are not black`);
  expect(row.slice(bar + 1, size[0] - bar - 1).some(lit), "the picture between the bars is black");
  await page.setViewportSize({ width: 700, height: 900 });
  await page.waitForFunction(() => canvas.height > canvas.width);
  await waitFrames(page, 3);
  const tall = await page.evaluate(() => [canvas.width, canvas.height]);
  const barHeight = Math.floor((tall[1] - Math.round(tall[0] * 3 / 4)) / 2);
  const above = await rowOfNextFrame(page, barHeight - 3);
  const inside = await rowOfNextFrame(page, tall[1] >> 1);
  expect(!above.some(lit), "the bar above the picture is not black");
  expect(inside.some(lit), "the picture is black in a tall page");
  await page.click("#fullscreen");
  await page.waitForFunction(() => document.fullscreenElement !== null);
  await page.keyboard.press("f");
  await page.waitForFunction(() => document.fullscreenElement === null);
  expect(problems.length === 0, problems.join("\n"));
  await page.close();
});

await check("errors: a missing picture is named with the loader's cause, the show goes on", async () => {
  const { page } = await openPage(browser, "about:blank");
  await page.route("**/gfx/tex1.jpg", (route) => route.fulfill({ status: 404, body: "gone" }));
  await page.goto(server.url);
  await startShow(page);
  const text = await page.textContent("#error");
  expect(/gfx\/tex1\.jpg: 404/.test(text), `no word of the failed fetch: ${text}`);
  expect(/cannot load picture: gfx\/\/tex1\.jpg: /.test(text), `no loader's line: ${text}`);
  await waitFrames(page, 10);
  await page.close();
});

await check("errors: without its soundtrack the show stops with the show's own words", async () => {
  const { page, problems } = await openPage(browser, "about:blank");
  await page.route("**/soundtrack.mo3", (route) => route.fulfill({ status: 404, body: "gone" }));
  await page.goto(server.url);
  await waitForNotice(page, "ready");
  await page.click("#play");
  await waitForNotice(page, "ended", /stopped \(status 1\)/);
  const text = await page.textContent("#error");
  expect(/^Can't play the file$/m.test(text), `the page says: ${text}`);
  const uncaught = problems.filter((p) => !p.includes("404"));
  expect(uncaught.length === 0, uncaught.join("\n"));
  await page.close();
});

await check("errors: a lost GL context comes back and the show carries on", async () => {
  const { page, problems } = await openPage(browser, `${server.url}#order=2`);
  await startShow(page);
  await waitFrames(page, 5);
  await page.evaluate(() => {
    window.loseContext = canvas.getContext("webgl2").getExtension("WEBGL_lose_context");
    loseContext.loseContext();
  });
  await waitForNotice(page, "contextlost");
  await page.evaluate(() => loseContext.restoreContext());
  await waitForNotice(page, "contextrestored");
  await waitFrames(page, 10);
  const row = await rowOfNextFrame(page, await page.evaluate(() => canvas.height >> 1));
  expect(row.some(lit), "the picture stays black after the context came back");
  const rows = await page.evaluate(() => nivoraPage.log.filter((n) => n.what === "error").length);
  expect(rows === 0, "errors after the context came back");
  expect(problems.length === 0, problems.join("\n"));
  await page.close();
});

await chromium.close();

await check("errors: a browser without WebGL 2 is told so", async () => {
  const bare = await launchChromium(["--disable-webgl2"]);
  const { page } = await openPage(bare.browser, server.url);
  await waitForNotice(page, "unsupported");
  const text = await page.textContent("#error");
  expect(/no WebGL 2/.test(text), `the page says: ${text}`);
  expect(await page.isDisabled("#play"), "Play is offered without WebGL 2");
  await bare.close();
});

server.close();
finish();

// What the browser tests share: a static server for the site on 127.0.0.1,
// Debian's chromium (headless, WebGL 2 on SwiftShader) through playwright-core,
// and waits on the page's own notices, never on time alone.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import path from "node:path";
import { chromium } from "playwright-core";

const types = {
  ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".json": "application/json",
  ".wasm": "application/wasm", ".jpg": "image/jpeg", ".png": "image/png",
};

// `mounts` serves other folders under a prefix: {"/ref/": dir}.
export async function serveSite(root, mounts = {}) {
  const server = createServer(async (request, response) => {
    const url = new URL(request.url, "http://127.0.0.1");
    let file = path.normalize(decodeURIComponent(url.pathname)).replace(/^(\.\.[/\\])+/, "");
    if (file.endsWith("/")) file += "index.html";
    let base = root;
    for (const [prefix, dir] of Object.entries(mounts)) {
      if (file.startsWith(prefix)) { base = dir; file = file.substring(prefix.length); }
    }
    try {
      const body = await readFile(path.join(base, file));
      response.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
      response.end(body);
    } catch {
      response.writeHead(404, { "Content-Type": "text/plain" });
      response.end("not found");
    }
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// The closed network refuses what a fresh profile would reach for: every
// background connection is switched off. playwright gives each launch a fresh
// profile of its own (it refuses --user-data-dir). `pulseServer` makes the
// sound real: playwright mutes a headless browser, and without a server named
// chromium's output finds no device.
export async function launchChromium(extraArgs = [], { pulseServer = null } = {}) {
  const browser = await chromium.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    ...(pulseServer ? { ignoreDefaultArgs: ["--mute-audio"], env: { ...process.env, PULSE_SERVER: pulseServer } } : {}),
    args: [
      "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
      "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--autoplay-policy=no-user-gesture-required",
      ...extraArgs,
    ],
  });
  return { browser, close: () => browser.close() };
}

// A page with its console errors and uncaught exceptions collected.
// `before` runs in the page ahead of its own scripts.
export async function openPage(browser, url, { width = 960, height = 760, before = null } = {}) {
  const page = await browser.newPage({ viewport: { width, height } });
  if (before) await page.addInitScript(before);
  const problems = [];
  page.on("console", (m) => { if (m.type() === "error") problems.push(`console: ${m.text()}`); });
  page.on("pageerror", (e) => problems.push(`uncaught: ${e.message}`));
  await page.goto(url);
  return { page, problems };
}

// Waits (generously: the machine is shared) for a notice of the page's whose
// text matches, and returns it.
export async function waitForNotice(page, what, pattern = /./, timeout = 120000) {
  const handle = await page.waitForFunction(([w, source]) => {
    const re = new RegExp(source);
    return nivoraPage.log.find((n) => n.what === w && re.test(n.text)) || null;
  }, [what, pattern.source], { timeout, polling: 50 });
  return handle.jsonValue();
}

export async function startShow(page) {
  await waitForNotice(page, "ready");
  await page.click("#play");
  await waitForNotice(page, "playing");
}

// Waits until the page has presented `count` more animation frames.
export async function waitFrames(page, count, timeout = 120000) {
  const from = await page.evaluate(() => nivoraPage.frames);
  await page.waitForFunction((n) => nivoraPage.frames >= n, from + count, { timeout, polling: 20 });
}

let failures = 0;
let passes = 0;
export async function check(name, body) {
  try {
    await body();
    passes++;
    console.log(`ok ${name}`);
  } catch (e) {
    failures++;
    console.log(`FAILED ${name}: ${e.stack || e}`);
  }
}
export function expect(condition, message) {
  if (!condition) throw new Error(message);
}
export function finish() {
  console.log(`web: ${passes} passed, ${failures} failed`);
  process.exit(failures === 0 && passes > 0 ? 0 : 1);
}

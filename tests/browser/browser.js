// browser.js: Debian's Chromium, headless, as the page tests, the benchmark and the picture start it:
// puppeteer-core (tests/browser/node_modules) with /usr/bin/chromium (or VELMORA_CHROMIUM), a new empty
// profile removed at the end, and nothing that reaches the network on its own.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require(path.join(__dirname, 'node_modules', 'puppeteer-core'));

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'velmora-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.VELMORA_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return {browser, close};
}

module.exports = {launch};

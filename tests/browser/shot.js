// shot.js: a screenshot of a page: node shot.js PAGE.html OUT.png WIDTH HEIGHT [FRAGMENT] [OPEN-ROW...]
// (the rows, by their place in the table from 0, are opened to their details first).
'use strict';
const path = require('path');
const {launch} = require('./browser');

(async () => {
  const [page, out, width, height, fragment, ...open] = process.argv.slice(2);
  const {browser, close} = await launch();
  try {
    const tab = await browser.newPage();
    await tab.setViewport({width: Number(width), height: Number(height)});
    await tab.emulateMediaFeatures([{name: 'prefers-color-scheme', value: process.env.SCHEME || 'light'}]);
    await tab.goto('file://' + path.resolve(page) + (fragment ? '#' + fragment : ''), {waitUntil: 'load'});
    await tab.waitForSelector('#tools:not([hidden])');
    for (const i of open) await tab.click(`#motions tbody tr:nth-child(${Number(i) + 1}) td[data-key=file]`);
    await new Promise((r) => setTimeout(r, 300));
    await tab.screenshot({path: out});
  } finally {
    await close();
  }
})().catch((e) => { console.error(e); process.exit(1); });

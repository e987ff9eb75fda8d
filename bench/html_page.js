// html_page.js PAGE.html [RUNS]: the library page in headless Chromium (tests/browser/browser.js): per
// load, the milliseconds from the start of navigation to the first contentful paint, to the load event
// and to the page's script being ready (its 'velmora-ready' mark, after the whole table is parsed);
// then the milliseconds of a sort by bone keys (the click to the next frame painted), of its reverse,
// and of the verdict filter "lacks". Prints the median of RUNS (default 5) of each.
'use strict';
const path = require('path');
const {launch} = require(path.join(__dirname, '..', 'tests', 'browser', 'browser'));

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// Runs an action in the page and resolves after the next frame is painted.
const framed = (tab, action) => tab.evaluate((action) => new Promise((done) => {
  const t0 = performance.now();
  if (action === 'filter') document.querySelector('button[data-filter=lacks]').click();
  else document.querySelector('th[data-key=bone_keys] button').click();
  requestAnimationFrame(() => setTimeout(() => done(performance.now() - t0), 0));
}), action);

(async () => {
  const page = path.resolve(process.argv[2]);
  const runs = Number(process.argv[3] || 5);
  const {browser, close} = await launch();
  const m = {paint: [], load: [], ready: [], sort: [], reverse: [], filter: [], rows: 0};
  try {
    for (let i = 0; i < runs; i++) {
      const tab = await browser.newPage();
      await tab.setViewport({width: 1280, height: 900});
      await tab.goto('file://' + page, {waitUntil: 'load'});
      await tab.waitForSelector('#tools:not([hidden])');
      const t = await tab.evaluate(() => ({
        paint: performance.getEntriesByName('first-contentful-paint')[0].startTime,
        load: performance.getEntriesByType('navigation')[0].loadEventEnd,
        ready: performance.getEntriesByName('velmora-ready')[0].startTime,
        rows: document.querySelectorAll('#motions tbody tr').length,
      }));
      m.paint.push(t.paint);
      m.load.push(t.load);
      m.ready.push(t.ready);
      m.rows = t.rows;
      m.sort.push(await framed(tab, 'sort'));
      m.reverse.push(await framed(tab, 'sort'));
      m.filter.push(await framed(tab, 'filter'));
      await tab.close();
    }
  } finally {
    await close();
  }
  const f = (k) => median(m[k]).toFixed(0).padStart(5) + ' ms';
  console.log(`${path.basename(page)}: ${m.rows} rows, medians of ${runs} loads`);
  console.log(`  first contentful paint ${f('paint')}   load event ${f('load')}   script ready ${f('ready')}` +
    '   (target: the table shown within 1,000 ms)');
  console.log(`  sort by bone keys ${f('sort')}   reverse ${f('reverse')}   filter "lacks" ${f('filter')}` +
    '   (target: a sort within 300 ms)');
})().catch((e) => { console.error(e); process.exit(1); });

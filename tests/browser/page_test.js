// page_test.js DIR: the library pages that run.sh wrote into DIR, opened from file:// in headless
// Chromium, checked as a user would use them: rows, verdict boxes, sorting, filters, the URL fragment,
// details, the saved JSON, a narrow window, scripts off; with hostile names shown as text, no script
// of theirs run, no request made but the page and its relative pictures, no Content-Security-Policy
// violation, no error. Prints one line per check and "N passed, M failed"; exits 1 on a failure.
'use strict';
const fs = require('fs');
const path = require('path');
const {launch} = require('./browser');

const dir = path.resolve(process.argv[2]);
const dirUrl = 'file://' + dir + '/';
let passed = 0;
let failed = 0;

function check(name, ok, detail) {
  if (ok) {
    passed++;
    console.log('ok   ' + name);
  } else {
    failed++;
    console.log('FAIL ' + name + (detail !== undefined ? ': ' + JSON.stringify(detail) : ''));
  }
}

const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

// The run's motion lines and totals, from the JSON Lines files a page was made from.
function runOf(files) {
  const lines = files.map((f) => fs.readFileSync(path.join(dir, f), 'utf8')).join('').split('\n').filter((l) => l);
  const objects = lines.map((l) => JSON.parse(l));
  return {
    text: files.map((f) => fs.readFileSync(path.join(dir, f))),
    motions: objects.filter((o) => 'bone_keys' in o),
    totals: (objects.find((o) => o.totals) || {}).totals,
  };
}

// A tab on a page, watched: every request that is not the page or a file under its folder, every
// dialog, page error, console error and CSP violation is recorded.
async function open(browser, page, fragment, options = {}) {
  const tab = await browser.newPage();
  const seen = {foreign: [], dialogs: [], errors: [], violations: []};
  const url = dirUrl + page;
  await tab.setRequestInterception(true);
  tab.on('request', (r) => {
    const u = r.url();
    if (u === url || u.startsWith(url + '#') || (u.startsWith(dirUrl) && !u.includes('#'))) r.continue();
    else {
      seen.foreign.push(u);
      r.abort();
    }
  });
  tab.on('dialog', (d) => {
    seen.dialogs.push(d.message());
    d.dismiss();
  });
  tab.on('pageerror', (e) => seen.errors.push(String(e)));
  tab.on('console', (m) => {
    if (m.type() === 'error') seen.errors.push(m.text());
  });
  await tab.evaluateOnNewDocument(() => {
    window.__violations = [];
    document.addEventListener('securitypolicyviolation', (e) => window.__violations.push(e.violatedDirective));
    for (const f of ['alert', 'confirm', 'prompt']) {
      window[f] = () => { window.__hostile = true; };
    }
  });
  await tab.evaluateOnNewDocument(shownInPage);
  if (options.noScript) await tab.setJavaScriptEnabled(false);
  if (options.width) await tab.setViewport({width: options.width, height: 800});
  await tab.goto(url + (fragment ? '#' + fragment : ''), {waitUntil: 'load'});
  if (!options.noScript) await tab.waitForSelector('#tools:not([hidden])');
  return {tab, seen};
}

// missing: pictures that are not there are no error (the hostile page's point to no file).
async function finish(name, opened, missing) {
  const {tab, seen} = opened;
  const v = await tab.evaluate(() => ({violations: window.__violations || [], hostile: !!window.__hostile}));
  check(name + ': no script of a name ran', !v.hostile && seen.dialogs.length === 0, seen.dialogs);
  check(name + ': no request but the page and its pictures', seen.foreign.length === 0, seen.foreign);
  check(name + ': no CSP violation', v.violations.length === 0, v.violations);
  const errors = seen.errors.filter((e) => !(missing && /ERR_FILE_NOT_FOUND|ERR_INVALID_URL/.test(e)));
  check(name + ': no error', errors.length === 0, errors);
  await tab.close();
}

// The URL's fragment once it is want (the page writes it a moment after a change), or after 2 s.
async function fragment(tab, want) {
  await tab.waitForFunction((w) => location.hash === w, {timeout: 2000}, want).catch(() => {});
  return tab.evaluate(() => location.hash);
}

// A row is shown when the browser lays it out: its computed display is not none and it has a box of
// some height (what a filter sets on it is not asked).
const shownInPage = () => {
  window.__shown = (r) => getComputedStyle(r).display !== 'none' && r.getBoundingClientRect().height > 0;
};

// The visible rows, by layout: each cell's data-value by key (the first verdict column as "verdict").
const visibleRows = (tab) => tab.$$eval('#motions tbody tr', (rows) => rows.filter((r) => window.__shown(r)).map((r) => {
  const o = {};
  for (const td of r.cells) if (!(td.dataset.key in o)) o[td.dataset.key] = td.dataset.value;
  o.fit = r.cells[0].hasAttribute('data-fit');
  return o;
}));

// The counter's count ("N of M shown") against the rows laid out.
const counterHolds = (tab) => tab.evaluate(() => {
  const rows = Array.prototype.slice.call(document.querySelectorAll('#motions tbody tr'));
  return parseInt(document.getElementById('shown').textContent, 10) === rows.filter((r) => window.__shown(r)).length;
});

// Per row of pixels of a screenshot (PNG, base64), whether it holds anything darker than the page's
// light backgrounds (text, the verdicts' colours): decoded by a canvas in a blank tab.
async function inkRows(browser, png) {
  const t = await browser.newPage();
  const ink = await t.evaluate(async (src) => {
    const img = new Image();
    img.src = src;
    await img.decode();
    const c = document.createElement('canvas');
    c.width = img.width;
    c.height = img.height;
    const g = c.getContext('2d');
    g.drawImage(img, 0, 0);
    const d = g.getImageData(0, 0, c.width, c.height).data;
    const rows = [];
    for (let y = 0; y < c.height; y++) {
      let any = false;
      for (let x = 0; x < c.width && !any; x++) {
        const i = (y * c.width + x) * 4;
        any = d[i] < 200 || d[i + 1] < 200 || d[i + 2] < 200;
      }
      rows.push(any);
    }
    return rows;
  }, 'data:image/png;base64,' + png);
  await t.close();
  return ink;
}

const boxCounts = (tab, model) => tab.$$eval('button[data-filter]', (bs, m) => Object.fromEntries(bs
  .filter((b) => (b.dataset.model || '') === m).map((b) => [b.dataset.filter, parseInt(b.textContent, 10)])), model);

function verdictCounts(motions) {
  const c = {fits: 0, extras: 0, lacks: 0, 'would fit': 0, camera: 0, empty: 0, cut: 0, unread: 0, 'no model': 0};
  for (const m of motions) c[m.verdict]++;
  return c;
}

async function libraryPage(browser, page, files) {
  const run = runOf(files);
  let o = await open(browser, page);
  const {tab} = o;
  const rows = await visibleRows(tab);
  check(page + ': one row per motion, in run order', same(rows.map((r) => r.file), run.motions.map((m) => m.file)),
    rows.length);
  const boxes = await boxCounts(tab, '');
  const t = run.totals;
  const expected = verdictCounts(run.motions);
  expected['would fit'] = t.would_fit;
  check(page + ': boxes are the JSON totals', boxes.fits === t.fit && boxes.lacks === t.lack &&
    boxes['would fit'] === t.would_fit && boxes['no model'] === t.no_model && boxes.cut === t.cut &&
    boxes.unread === t.unread && same(boxes, expected), {boxes, totals: t});

  // Sorting by a number, both ways, and the state in the fragment.
  await tab.click('th[data-key=bone_keys]');
  let keys = (await visibleRows(tab)).map((r) => Number(r.bone_keys));
  const up = [...keys].sort((a, b) => a - b);
  check(page + ': a click on bone keys sorts by them', same(keys, up), keys);
  await tab.click('th[data-key=bone_keys]');
  keys = (await visibleRows(tab)).map((r) => Number(r.bone_keys));
  check(page + ': a second click reverses', same(keys, [...up].reverse()), keys);
  const hash = await fragment(tab, '#sort=bone_keys&order=desc');
  check(page + ': the sort is in the fragment', hash === '#sort=bone_keys&order=desc', hash);
  await tab.click('th[data-key=last_frame]');
  const frames = (await visibleRows(tab)).map((r) => (r.last_frame === '' ? -1 : Number(r.last_frame)));
  check(page + ': the last frame sorts as numbers, none first', same(frames, [...frames].sort((a, b) => a - b)),
    frames);

  // A verdict box, then a typed filter with it.
  await tab.click('button[data-filter=lacks]');
  let shown = await visibleRows(tab);
  check(page + ': the lacks box leaves the rows that lack names',
    shown.length === t.lack && shown.every((r) => r.verdict === 'lacks'), shown.length);
  check(page + ': the counter counts the rows shown', await counterHolds(tab));
  await tab.click('button[data-filter="would fit"]');
  shown = await visibleRows(tab);
  check(page + ': the would-fit box leaves those whose copy would fit',
    shown.length === t.would_fit && shown.every((r) => r.verdict === 'lacks' && r.fit), shown.length);
  await tab.click('button[data-filter="would fit"]');
  await tab.type('#filter', 'j_bip');
  shown = await visibleRows(tab);
  const byName = run.motions.filter((m) => (m.file + '\n' + m.advice.map((a) => a.name).join('\n'))
    .toLowerCase().includes('j_bip'));
  check(page + ': a typed filter matches file and lacking names',
    same(shown.map((r) => r.file).sort(), byName.map((m) => m.file).sort()) && shown.length > 0, shown);
  await tab.click('button[data-filter=fits]');
  shown = await visibleRows(tab);
  check(page + ': box and text filters together', shown.length === 0, shown);
  check(page + ': the counter counts no row', await counterHolds(tab));
  await tab.click('button[data-filter=fits]');
  await tab.click('#filter', {clickCount: 3});
  await tab.type('#filter', 'ダンス');
  shown = await visibleRows(tab);
  check(page + ': a filter in Japanese', shown.length > 0 && shown.every((r) => r.file.includes('ダンス')), shown);
  const state = await fragment(tab, '#sort=last_frame&q=%E3%83%80%E3%83%B3%E3%82%B9');
  await finish(page, o);

  // The fragment reopens the state.
  o = await open(browser, page, state.slice(1));
  const again = await visibleRows(o.tab);
  check(page + ': a link with the fragment reopens sort and filter', same(again.map((r) => r.file), shown.map((r) => r.file)) &&
    (await o.tab.$eval('#filter', (i) => i.value)) === 'ダンス' &&
    (await o.tab.$eval('th[data-key=last_frame]', (th) => th.getAttribute('aria-sort'))) === 'ascending', again);
  await finish(page + ' (reopened)', o);
  return run;
}

async function details(browser, page) {
  const o = await open(browser, page);
  const {tab} = o;
  const row = 'xpath///td[@data-key="file" and @data-value="library/22_apology-unity.vmd"]';
  await tab.click(row);
  const lines = await tab.$$eval('#motions tr.open .more li', (lis) => lis.map((li) => li.textContent));
  check(page + ': a row opens to its advice', lines.includes('bone LeftUpperArm → 左腕 (rig name)') &&
    lines.includes('morph ﾏﾊﾞﾀｷ → まばたき (spelling)') && lines.length === 5, lines);
  const links = await tab.$$eval('#motions tr.open .more a', (as) => as.map((a) => a.href));
  check(page + ': the fitted copy and the picture are relative links', same(links, [
    dirUrl + 'fitted/22_apology-unity.vmd', dirUrl + 'pages/0004-22_apology-unity.vmd.png']), links);
  const img = await tab.$eval('#motions tr.open .more img', (i) => ({lazy: i.loading, src: i.src}));
  check(page + ': the picture loads lazily from its folder',
    img.lazy === 'lazy' && img.src === dirUrl + 'pages/0004-22_apology-unity.vmd.png', img);
  await tab.click('#motions tr.open td[data-key=verdict]');
  check(page + ': a second click closes it', (await tab.$$('#motions .more')).length === 0);
  await tab.click('xpath///td[@data-key="file" and starts-with(@data-value, "library/ダンス/02_laugh (")]');
  const reason = await tab.$eval('#motions tr.open .more .reason', (p) => p.textContent);
  check(page + ': a cut row opens to its reason', reason === 'Reason: cut in the bone keys after 44 of 548', reason);

  // The keyboard: into the rows, down two, Enter opens the third.
  await tab.click('#motions tr.open td[data-key=verdict]');
  await tab.focus('#motions tbody');
  await tab.keyboard.press('ArrowDown');
  await tab.keyboard.press('ArrowDown');
  await tab.keyboard.press('Enter');
  const keyed = await tab.$$eval('#motions tr.open', (rs) => rs.map((r) => r.cells[6].dataset.value));
  check(page + ': the arrows and Enter open a row', same(keyed, ['library/22_apology-unity.vmd']), keyed);

  // Saving the JSON: the file is the run's lines byte for byte.
  const downloads = fs.mkdtempSync(path.join(dir, 'downloads-'));
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
  await tab.click('#save');
  const saved = path.join(downloads, 'velmora-run.jsonl');
  for (let i = 0; i < 50 && !fs.existsSync(saved); i++) await new Promise((r) => setTimeout(r, 100));
  const want = fs.readFileSync(path.join(dir, 'run.jsonl'));
  check(page + ': the save link writes the run\'s JSON Lines', fs.existsSync(saved) && fs.readFileSync(saved).equals(want));
  await finish(page + ' (details)', o);
}

async function hostilePage(browser) {
  const page = 'hostile.html';
  const run = runOf(['hostile.jsonl']);
  const o = await open(browser, page);
  const {tab} = o;
  const files = await tab.$$eval('#motions td[data-key=file]', (tds) => tds.map((td) => [td.textContent, td.dataset.value]));
  const want = run.motions.map((m) => m.file.replace(/[\u0000-\u0008\u000a-\u001f]/g, '\ufffd'));
  check(page + ': names and paths show as text', same(files, want.map((f) => [f, f])), files);
  const elements = await tab.evaluate(() => ({
    img: document.querySelectorAll('img').length,
    script: document.querySelectorAll('script').length,
    svg: document.querySelectorAll('svg, iframe').length,
    title: document.querySelector('.models td:nth-child(2)').textContent,
    box: document.querySelector('.boxes').textContent,
  }));
  check(page + ': no element from a name', elements.img === 0 && elements.script === 3 && elements.svg === 0, elements);
  check(page + ': a model name with quotes and ampersands as text', elements.title === 'Model "A" & <B> </script>',
    elements.title);
  const json = await tab.$eval('#run-json', (s) => s.textContent.split('\n').filter((l) => l).map((l) => JSON.parse(l)));
  check(page + ': the embedded JSON parses to the run\'s values', same(json, fs.readFileSync(path.join(dir, 'hostile.jsonl'),
    'utf8').split('\n').filter((l) => l).map((l) => JSON.parse(l))));
  for (let i = 1; i <= 3; i++) await tab.click(`#motions tbody tr:nth-child(${i}) td[data-key=file]`);
  const opened = await tab.$$eval('#motions .more', (ms) => ms.map((m) => m.textContent).join('\n'));
  check(page + ': advice, notes and reasons show as text', opened.includes('</script> → "&<b> (rig name)') &&
    opened.includes('<img src=x onerror=alert(3)> fold & cost') && opened.includes('<svg onload=alert(5)>') &&
    opened.includes('<i>one</i>, two" onmouseover="alert(7)'), opened);
  const links = await tab.$$eval('#motions .more a', (as) => as.map((a) => a.href));
  check(page + ': links stay file paths relative to the page', links.length === 5 &&
    links.every((h) => new URL(h).protocol === 'file:' && new URL(h).host === '') &&
    links.includes(dirUrl + 'javascript%3Aalert%284%29//x.vmd') && links.includes('file:///tmp/%252e%252e/%23a%3Fb.vmd'.replace(
      '/tmp/', path.dirname(dir) + '/')), links);
  const img = await tab.$$eval('#motions .more img', (is) => is.map((i) => i.src));
  check(page + ': pictures stay under the page\'s folder', img.length === 3 && img.every((s) => s.startsWith(dirUrl)), img);
  await tab.type('#filter', '</script>');
  const shown = await visibleRows(tab);
  check(page + ': a lacking name with markup filters', shown.length === 2, shown.map((r) => r.file));
  await finish(page, o, true);
}

async function eachModel(browser) {
  const page = 'each.html';
  const gene = runOf(['gene.jsonl']);
  const other = runOf(['other.jsonl']);
  const o = await open(browser, page);
  const {tab} = o;
  const rows = await tab.$$eval('#motions tbody tr', (rs) => rs.map((r) => [r.getAttribute('data-verdict-1'),
    r.getAttribute('data-verdict-2'), r.hasAttribute('data-verdict')]));
  check(page + ': one verdict per model on each row', same(rows, gene.motions.map((m, i) =>
    [m.verdict, other.motions[i].verdict, false])), rows);
  const heads = await tab.$$eval('#motions th', (ths) => ths.map((th) => th.dataset.key + (th.dataset.model || '')));
  check(page + ': a verdict column per model, then the numbers once',
    same(heads, ['verdict1', 'verdict2', 'bone_keys', 'morph_keys', 'bones', 'morphs', 'last_frame', 'file']), heads);
  const b2 = await boxCounts(tab, '2');
  check(page + ': boxes per model', b2.lacks === other.totals.lack && b2.fits === other.totals.fit, b2);
  await tab.click('button[data-filter=lacks][data-model="2"]');
  const shown = await tab.$$eval('#motions tbody tr', (rs) => rs.filter((r) => window.__shown(r))
    .map((r) => r.getAttribute('data-verdict-2')));
  check(page + ': the second model\'s box filters by its verdicts',
    shown.length === other.totals.lack && shown.every((v) => v === 'lacks'), shown);
  // Each cell's text is the terminal's cell: the verdict with the counts of what lacks, a copy that
  // would fit marked (the terminal says "would fit" there).
  const table = fs.readFileSync(path.join(dir, 'each.txt'), 'utf8').split('\n').filter((l) => l.includes('  library/'))
    .map((l) => l.split(/ {2,}/).slice(0, 2));
  const texts = await tab.$$eval('#motions tbody tr', (rs) => rs.map((r) => [r.cells[0].textContent, r.cells[1].textContent,
    r.cells[0].hasAttribute('data-fit')]));
  check(page + ': cells show the counts the terminal shows', texts.length === table.length && texts.every((t, i) =>
    table[i][0] === (t[2] ? 'would fit' : t[0]) && (!t[2] || /^lacks \d+\/\d+ \u2713$/.test(t[0])) && table[i][1] === t[1]) &&
    texts.some((t) => /^lacks \d+\/\d+$/.test(t[1])), {texts, table});
  await tab.click('th[data-key=verdict][data-model="2"]');
  const hash = await fragment(tab, '#sort=verdict-2&verdict=lacks&model=2');
  check(page + ': its column sorts by its own key', hash === '#sort=verdict-2&verdict=lacks&model=2', hash);
  await finish(page, o);
}

// What the browser paints: the rows' region of a screenshot holds ink where rows are laid out and none
// below the last row a filter leaves, and none at all when a filter leaves no row. A copied table keeps
// the verdicts and numbers, which are text in the cells.
async function pixels(browser) {
  const page = 'run.html';
  const o = await open(browser, page, '', {width: 1000});
  const {tab} = o;
  const run = runOf(['run.jsonl']);
  const top = await tab.$eval('#motions tbody', (b) => b.getBoundingClientRect().top);
  const clip = {x: 0, y: top, width: 1000, height: 200};
  const shot = async () => inkRows(browser, await tab.screenshot({clip, encoding: 'base64'}));
  const lastBottom = () => tab.$$eval('#motions tbody tr', (rs, t) => Math.max(0, ...rs.filter((r) => window.__shown(r))
    .map((r) => r.getBoundingClientRect().bottom - t)), top);
  let ink = await shot();
  check(page + ': rows are painted', ink.filter((x) => x).length > 50, ink.filter((x) => x).length);
  await tab.click('button[data-filter=lacks]');
  const bottom = Math.ceil(await lastBottom());
  ink = await shot();
  const below = ink.slice(bottom + 1).filter((x) => x).length;
  check(page + ': after the lacks box, nothing is painted below its rows', run.totals.lack > 0 && bottom < 150 &&
    ink.slice(0, bottom).some((x) => x) && below === 0, {bottom, below});
  await tab.type('#filter', 'no such name anywhere');
  ink = await shot();
  check(page + ': a filter that leaves no row paints none', ink.every((x) => !x), ink.filter((x) => x).length);
  await tab.click('#filter', {clickCount: 3});
  await tab.keyboard.press('Backspace');
  await tab.click('button[data-filter=lacks]');
  // The table selected and copied, as the clipboard gets it.
  const copied = await tab.evaluate(() => {
    const range = document.createRange();
    range.selectNodeContents(document.querySelector('#motions tbody'));
    getSelection().removeAllRanges();
    getSelection().addRange(range);
    const text = String(getSelection());
    getSelection().removeAllRanges();
    return text;
  });
  const first = run.motions[0];
  const want = [first.verdict, first.bone_keys, first.morph_keys, first.bones, first.morphs].join('\n');
  check(page + ': a copied table keeps the verdicts and numbers', copied.startsWith(want + '\n'), copied.slice(0, 200));
  await finish(page + ' (pixels)', o);
}

async function narrowAndNoScript(browser) {
  let o = await open(browser, 'run-ja.html', '', {width: 360});
  const display = await o.tab.$$eval('#motions tbody tr:first-child td', (tds) =>
    tds.map((td) => [td.dataset.key, getComputedStyle(td).display, td.textContent]));
  check('run-ja.html: a narrow window shows verdict and file', same(display.filter((d) => d[1] !== 'none').map((d) => d[0]),
    ['verdict', 'file']), display);
  check('run-ja.html: verdicts in Japanese, as text', display[0][2] === 'モデルなし', display[0]);
  await finish('run-ja.html (narrow)', o);
  o = await open(browser, 'run.html', '', {noScript: true});
  const rows = await o.tab.$$eval('#motions tbody tr', (rs) => rs.length);
  const boxes = await o.tab.$$eval('button[data-filter]', (bs) => bs.map((b) => b.textContent).join(' | '));
  const run = runOf(['run.jsonl']);
  check('run.html without scripts: every row and the counts', rows === run.motions.length &&
    boxes.startsWith(run.totals.fit + ' fits'), {rows, boxes});
  await finish('run.html (no script)', o);
}

(async () => {
  const started = Date.now();
  const {browser, close} = await launch();
  try {
    await libraryPage(browser, 'run.html', ['run.jsonl']);
    await libraryPage(browser, 'run-ja.html', ['run.jsonl']);
    await details(browser, 'run.html');
    await hostilePage(browser);
    await eachModel(browser);
    await pixels(browser);
    await narrowAndNoScript(browser);
  } catch (e) {
    check('the tests ran to the end', false, String(e && e.stack || e));
  } finally {
    await close();
  }
  console.log(`${passed} passed, ${failed} failed (${((Date.now() - started) / 1000).toFixed(1)} s)`);
  process.exit(failed ? 1 : 0);
})();

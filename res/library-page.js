// library-page.js: the behaviour of velmora-report's library page (built into report_html.cpp). The page
// is whole without it; with it the table's columns sort (a second click reverses), the verdict boxes
// and the text box filter the rows, the state lives in the URL fragment (sort=KEY, order=desc,
// verdict=WORD, model=N, q=TEXT) so that a link reopens it, a row opens to its details, and a link
// saves the run's JSON Lines. Every name and path is set as text, never as markup; links come
// percent-encoded from the page's data and stay relative. The page's data also holds its rules and
// words, from the program's own tables: the verdicts in their order, the classes in theirs, the words
// and labels of verdicts, classes, whys and lists, and what each column holds; none is typed here.
'use strict';
(() => {
  const doc = document;
  const table = doc.getElementById('motions');
  const tbody = table.tBodies[0];
  const rows = Array.prototype.slice.call(tbody.rows);
  const n = rows.length;
  const data = JSON.parse(doc.getElementById('page-data').textContent);
  const L = data.labels;
  const details = new Map(data.details);
  const heads = Array.prototype.slice.call(table.tHead.rows[0].cells);
  const input = doc.getElementById('filter');
  const shown = doc.getElementById('shown');
  const boxes = Array.prototype.slice.call(doc.querySelectorAll('button[data-filter]'));
  const collator = new Intl.Collator(undefined, {numeric: true});
  // The verdicts' places in the page's order (a sort puts them so, as the boxes stand), and the verdict
  // that stands for part of another: the cells of that verdict with data-fit.
  const rank = new Map(data.verdicts.map((v, i) => [v.word, i]));
  const partOf = new Map(data.verdicts.filter((v) => v.of).map((v) => [v.of, v.word]));
  const verdictOf = (td) => (td.hasAttribute('data-fit') && partOf.get(td.dataset.value)) || td.dataset.value;
  // How each column sorts, by its key: by rank (a verdict), as a number, or as text (the file: where the
  // text box looks and a row's details open).
  const sortOf = new Map(data.columns.map((c) => [c.key, c.sort]));
  const sortOfHead = (th) => sortOf.get(th.dataset.key);

  const columnId = (th) => (th.dataset.model ? th.dataset.key + '-' + th.dataset.model : th.dataset.key);
  const columns = new Map(heads.map((th, i) => [columnId(th), i]));
  const verdictColumns = heads.filter((th) => sortOfHead(th) === 'rank').map((th) => heads.indexOf(th));
  const fileColumn = heads.findIndex((th) => sortOfHead(th) === 'text');
  const several = verdictColumns.length > 1;  // one verdict column per model (--each-model)

  const state = {sort: '', desc: false, verdict: '', model: 0, q: ''};

  // ---- Sorting: one key per row and column, made on the column's first sort ----------------------------
  const keys = new Map();
  function keysOf(id) {
    let k = keys.get(id);
    if (k) return k;
    const c = columns.get(id);
    const sort = sortOfHead(heads[c]);
    k = new Float64Array(n);
    if (sort === 'text') {
      // Names in the reader's collation, ranked once.
      const names = rows.map((r) => r.cells[c].dataset.value);
      const order = names.map((_, i) => i).sort((a, b) => collator.compare(names[a], names[b]) || a - b);
      order.forEach((r, i) => { k[r] = i; });
    } else if (sort === 'rank') {
      for (let i = 0; i < n; i++) {
        const v = verdictOf(rows[i].cells[c]);
        k[i] = rank.has(v) ? rank.get(v) : rank.size;
      }
    } else {
      for (let i = 0; i < n; i++) {
        const v = rows[i].cells[c].dataset.value;
        k[i] = v === '' ? -1 : Number(v);
      }
    }
    keys.set(id, k);
    return k;
  }

  function applySort() {
    const order = new Array(n);
    for (let i = 0; i < n; i++) order[i] = i;
    if (columns.has(state.sort)) {
      const k = keysOf(state.sort);
      const s = state.desc ? -1 : 1;
      order.sort((a, b) => (k[a] - k[b]) * s || a - b);
    }
    const frag = doc.createDocumentFragment();
    for (let i = 0; i < n; i++) frag.appendChild(rows[order[i]]);
    tbody.appendChild(frag);
    for (const th of heads) {
      if (columnId(th) === state.sort) th.setAttribute('aria-sort', state.desc ? 'descending' : 'ascending');
      else th.removeAttribute('aria-sort');
    }
  }

  // ---- Filtering --------------------------------------------------------------------------------------------
  const fold = (s) => s.normalize('NFKC').toLowerCase();
  let hay = null;  // per row: its file and lacking names, folded; made on the first text filter
  function haystack() {
    if (hay) return hay;
    hay = rows.map((r, i) => {
      let s = r.cells[fileColumn].dataset.value;
      for (const cell of details.get(i) || []) {
        if (cell && cell.advice) for (const a of cell.advice) s += '\n' + a.name;
      }
      return fold(s);
    });
    return hay;
  }

  function verdictMatches(row) {
    if (!state.verdict) return true;
    const column = verdictColumns[Math.max(0, Math.min(verdictColumns.length, state.model || 1) - 1)];
    const td = row.cells[column];
    return td.dataset.value === state.verdict || verdictOf(td) === state.verdict;
  }

  function applyFilter() {
    const terms = fold(state.q).split(/\s+/).filter((t) => t !== '');
    const h = terms.length ? haystack() : null;
    let count = 0;
    for (let i = 0; i < n; i++) {
      const row = rows[i];
      const ok = (!h || terms.every((t) => h[i].includes(t))) && verdictMatches(row);
      if (row.hidden === ok) row.hidden = !ok;
      if (ok) count++;
    }
    shown.textContent = L.shown.replace('{n}', count).replace('{m}', n);
    for (const b of boxes) {
      const on = b.dataset.filter === state.verdict && (Number(b.dataset.model) || 0) === (several ? state.model || 1 : 0);
      b.setAttribute('aria-pressed', on ? 'true' : 'false');
    }
  }

  // ---- The URL fragment ---------------------------------------------------------------------------------------
  function readHash() {
    const p = new URLSearchParams(location.hash.slice(1));
    state.sort = p.get('sort') || '';
    state.desc = p.get('order') === 'desc';
    state.verdict = p.get('verdict') || '';
    state.model = Number(p.get('model')) || 0;
    state.q = p.get('q') || '';
  }

  // The fragment follows the state a moment after the last change (a sort, a box, typing): replacing
  // the URL costs as much as a tenth of a sort, and typing need not pay it per key.
  let hashTimer = 0;
  function writeHashSoon() {
    clearTimeout(hashTimer);
    hashTimer = setTimeout(writeHash, 100);
  }

  function writeHash() {
    const p = new URLSearchParams();
    if (state.sort) p.set('sort', state.sort);
    if (state.sort && state.desc) p.set('order', 'desc');
    if (state.verdict) p.set('verdict', state.verdict);
    if (state.verdict && several) p.set('model', String(state.model || 1));
    if (state.q) p.set('q', state.q);
    const h = p.toString();
    const url = h ? '#' + h : location.pathname + location.search;
    try {
      history.replaceState(null, '', url);
    } catch (e) {
      location.replace('#' + h);
    }
  }

  // ---- Details ----------------------------------------------------------------------------------------------
  function el(tag, cls, text) {
    const e = doc.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function shownLink(link) {
    try {
      return decodeURIComponent(link);
    } catch (e) {
      return link;
    }
  }

  // One lacking name: its list, its name, and the model's name it stands for with why, or the
  // candidates where the advice is ambiguous (the page gives candidates only then).
  function adviceItem(a) {
    const li = el('li');
    li.append(el('span', 'kind', data.lists[a.list] || ''), ' ', el('b', 'name', a.name));
    const why = data.whys[a.why] || a.why;
    if (a.candidates) {
      li.append(' \u2192 ', el('span', 'why', why + ', ' + L.candidates + ': '));
      a.candidates.forEach((c, i) => li.append(i ? ', ' : '', el('b', 'to', c)));
    } else if (a.to) {
      li.append(' \u2192 ', el('b', 'to', a.to), ' ', el('span', 'why', '(' + why + ')'));
    } else {
      li.append(' ', el('span', 'why', '(' + why + ')'));
    }
    for (const note of a.notes || []) li.appendChild(el('div', 'note', note));
    return li;
  }

  function renderCell(box, d) {
    if (d.reason) {
      const p = el('p', 'reason');
      p.append(el('strong', null, L.reason + ': '), d.reason);
      box.appendChild(p);
    }
    if (d.advice) {
      for (const cls of data.classes) {
        const list = d.advice.filter((a) => a.class === cls.word);
        if (!list.length) continue;
        box.appendChild(el('h4', null, cls.label));
        const ul = el('ul', 'advice');
        for (const a of list) ul.appendChild(adviceItem(a));
        box.appendChild(ul);
      }
    }
    if (d.fitted) {
      const p = el('p', 'fitted');
      const a = el('a', null, shownLink(d.fitted));
      a.href = d.fitted;
      p.append(L.fitted + ': ', a);
      box.appendChild(p);
    }
    if (d.picture) {
      const p = el('p', 'picture');
      const a = el('a', null, L.picture + ': ' + shownLink(d.picture));
      a.href = d.picture;
      const img = el('img');
      img.loading = 'lazy';
      img.alt = L.picture;
      img.src = d.picture;
      p.append(a, img);
      box.appendChild(p);
    }
  }

  function render(i) {
    const box = el('div', 'more');
    const cells = details.get(i);
    if (!cells) {
      box.appendChild(el('p', 'none', L.nothing));
      return box;
    }
    cells.forEach((d, m) => {
      if (several) box.appendChild(el('h3', null, m + 1 + '. ' + data.models[m]));
      else if (d && d.model !== undefined) box.appendChild(el('h3', null, L.model + ': ' + data.models[d.model]));
      if (d) renderCell(box, d);
      else box.appendChild(el('p', 'none', L.nothing));
    });
    return box;
  }

  let indexOf = null;  // row element to its place in the run, made on the first opening
  function toggle(row) {
    if (!indexOf) indexOf = new Map(rows.map((r, i) => [r, i]));
    const cell = row.cells[fileColumn];
    const open = cell.querySelector('.more');
    if (open) {
      open.remove();
      row.classList.remove('open');
    } else {
      cell.appendChild(render(indexOf.get(row)));
      row.classList.add('open');
    }
  }

  // ---- Saving the run's JSON Lines ---------------------------------------------------------------------------
  // The embedded lines have '<', '>' and '&' as \u003c, \u003e and \u0026; undone here (an escaped
  // backslash is passed over whole), they are the bytes --json printed.
  function runLines() {
    const text = doc.getElementById('run-json').textContent;
    return text.replace(/\\(\\|u003c|u003e|u0026)/g, (m, g) =>
      g === '\\' ? m : g === 'u003c' ? '<' : g === 'u003e' ? '>' : '&');
  }

  const save = doc.getElementById('save');
  save.textContent = L.save;
  save.addEventListener('click', () => {
    if (save.download) return;
    save.href = URL.createObjectURL(new Blob([runLines()], {type: 'application/x-ndjson'}));
    save.download = 'velmora-run.jsonl';
  });

  // ---- Events -------------------------------------------------------------------------------------------------
  table.tHead.addEventListener('click', (e) => {
    const th = e.target.closest('th[data-key]');
    if (!th) return;
    const id = columnId(th);
    state.desc = state.sort === id ? !state.desc : false;
    state.sort = id;
    applySort();
    writeHashSoon();
  });

  for (const b of boxes) {
    b.addEventListener('click', () => {
      const model = several ? Number(b.dataset.model) || 1 : 0;
      const same = state.verdict === b.dataset.filter && (state.model || (several ? 1 : 0)) === model;
      state.verdict = same ? '' : b.dataset.filter;
      state.model = same ? 0 : model;
      applyFilter();
      writeHashSoon();
    });
  }

  input.addEventListener('input', () => {
    state.q = input.value;
    applyFilter();
    writeHashSoon();
  });

  tbody.addEventListener('click', (e) => {
    if (e.target.closest('.more')) return;  // inside the details: links, selecting text
    const row = e.target.closest('tr');
    if (!row || String(getSelection()) !== '') return;
    row.tabIndex = -1;
    row.focus({preventScroll: true});
    toggle(row);
  });

  // Keys: the rows take the focus one at a time (the arrows, Home, End), Enter or Space opens one. A
  // row gets its tabindex when it is reached, so the page carries none.
  tbody.tabIndex = 0;
  function step(row, forward) {
    let r = row;
    do r = forward ? r.nextElementSibling : r.previousElementSibling; while (r && r.hidden);
    return r;
  }
  function focusRow(row) {
    if (!row) return;
    row.tabIndex = -1;
    row.focus();
  }
  const firstRow = () => (tbody.firstElementChild && tbody.firstElementChild.hidden
    ? step(tbody.firstElementChild, true) : tbody.firstElementChild);
  let pointing = false;  // a pointer is down: the click focuses its own row (below)
  tbody.addEventListener('pointerdown', () => { pointing = true; });
  addEventListener('pointerup', () => { pointing = false; }, true);
  tbody.addEventListener('focus', (e) => {
    if (e.target === tbody && !pointing) focusRow(firstRow());
  });
  tbody.addEventListener('keydown', (e) => {
    const row = e.target.parentNode === tbody ? e.target : null;
    if (!row) return;
    if (e.key === 'ArrowDown') focusRow(step(row, true));
    else if (e.key === 'ArrowUp') focusRow(step(row, false));
    else if (e.key === 'Home') focusRow(firstRow());
    else if (e.key === 'End') focusRow(tbody.lastElementChild && tbody.lastElementChild.hidden
      ? step(tbody.lastElementChild, false) : tbody.lastElementChild);
    else if (e.key === 'Enter' || e.key === ' ') toggle(row);
    else return;
    e.preventDefault();
  });

  function applyAll() {
    input.value = state.q;
    applySort();
    applyFilter();
  }

  addEventListener('hashchange', () => {
    readHash();
    applyAll();
  });

  readHash();
  input.value = state.q;
  if (state.sort) applySort();
  applyFilter();
  doc.getElementById('tools').hidden = false;
  performance.mark('velmora-ready');
  // The numbers' keys, made while the page is idle, so that a first sort need not read them.
  const idle = window.requestIdleCallback || ((f) => setTimeout(f, 200));
  idle(() => {
    for (const [id, c] of columns) if (sortOfHead(heads[c]) === 'number') keysOf(id);
  });
})();

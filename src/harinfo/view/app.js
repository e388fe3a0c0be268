// harinfo view: the headers, one header's table, sets, history and the
// comparison, all from the server's JSON. Text from the files is only ever
// put into the page as text, never as markup.
const token = new URLSearchParams(location.search).get('token') || '';
const $ = (id) => document.getElementById(id);

const state = {
  files: [], compare: null, file: 0, head: null, dims: [], roles: [],
  r0: 0, c0: 0, slice: null, chart: null,
};

function el(tag, text, cls) {
  const e = document.createElement(tag);
  if (text !== undefined && text !== null) e.textContent = String(text);
  if (cls) e.className = cls;
  return e;
}

function showError(text) {
  const p = $('error');
  p.textContent = text;
  p.hidden = !text;
}

async function api(path, params = {}) {
  const q = new URLSearchParams({ ...params, token });
  const res = await fetch(`${path}?${q}`);
  const body = await res.json().catch(() => ({ error: `answer ${res.status}` }));
  if (body.changed) showChanged(body.changed);
  if (!res.ok) {
    showError(body.error || `answer ${res.status}`);
    throw new Error(body.error);
  }
  showError('');
  return body;
}

// A file rewritten on disk: the page offers to read it again, in the same
// server, keeping the address and the view.
function showChanged(name) {
  $('changed').hidden = !name;
  $('changed-text').textContent = name ? `${name} changed on disk since it was read.` : '';
}

async function reloadFiles() {
  await api('/api/reload');
  showChanged('');
  if (state.compare) await loadCompare();
  await loadHeaders();
  await restore();
}

async function watchFiles() {
  try {
    const res = await fetch(`/api/status?${new URLSearchParams({ token })}`);
    if (res.ok) showChanged((await res.json()).changed);
  } catch (e) {
    // The server is gone: nothing to offer.
  }
}

function showTab(name) {
  state.tab = name;
  for (const b of document.querySelectorAll('#tabs button')) {
    b.classList.toggle('active', b.dataset.tab === name);
  }
  for (const s of document.querySelectorAll('section.tab')) s.hidden = s.id !== name;
}

// The state of the page in the address's fragment (the token stays in the
// query): reload, Back and a copied address come back to the same view.
const FORMAT_FIELDS = { numformat: 'fmt', decimals: 'dec', pagesize: 'ps', diffmode: 'show' };
const CHECK_FIELDS = { grouping: 'grp', shade: 'shade', 'csv-totals': 'tot' };

function fragment() {
  const f = new URLSearchParams();
  f.set('tab', state.tab || 'headers');
  if (state.files.length > 1) f.set('file', state.file);
  if (state.head) {
    f.set('h', state.head.name);
    if (state.head.type !== '1C') f.set('sel', state.roles.join(','));
    if (state.r0) f.set('r0', state.r0);
    if (state.c0) f.set('c0', state.c0);
    if (state.chart) f.set('chart', state.chart.join(':'));
  }
  for (const [id, key] of Object.entries(FORMAT_FIELDS)) f.set(key, $(id).value);
  for (const [id, key] of Object.entries(CHECK_FIELDS)) if ($(id).checked) f.set(key, 1);
  if ($('filter').value) f.set('filter', $('filter').value);
  const t = appliedTolerance();
  if (t.abs !== undefined) {
    f.set('abs', t.abs);
    f.set('rel', t.rel);
  }
  return `#${f}`;
}

// Records the state: a new entry of the history for a new header or tab
// (so Back returns), else the entry is replaced.
function remember(push = false) {
  if (state.restoring) return;
  const hash = fragment();
  if (hash === location.hash) return;
  const url = `${location.pathname}${location.search}${hash}`;
  if (push) history.pushState(null, '', url);
  else history.replaceState(null, '', url);
}

async function restore() {
  const f = new URLSearchParams(location.hash.slice(1));
  state.restoring = true;
  try {
    for (const [id, key] of Object.entries(FORMAT_FIELDS)) if (f.has(key)) $(id).value = f.get(key);
    for (const [id, key] of Object.entries(CHECK_FIELDS)) $(id).checked = f.get(key) === '1';
    $('decimals-pick').hidden = $('numformat').value !== 'fixed';
    $('filter').value = f.get('filter') || '';
    filterHeaders();
    const file = Number(f.get('file') || 0);
    if (file !== state.file && file >= 0 && file < state.files.length) {
      state.file = file;
      $('file').value = String(file);
      await loadHeaders();
    }
    const tab = f.get('tab') || 'headers';
    if (f.has('h')) {
      const sel = f.get('sel');
      const chartAt = f.get('chart');
      await openHeader(f.get('h'), {
        roles: sel ? sel.split(',') : null,
        r0: Number(f.get('r0') || 0),
        c0: Number(f.get('c0') || 0),
        chart: chartAt ? chartAt.split(':') : null,
      });
    }
    showTab(tab === 'header' && !state.head ? 'headers' : tab);
    if (tab === 'sets') loadSets().catch(() => {});
    if (tab === 'history') loadHistory().catch(() => {});
  } finally {
    state.restoring = false;
  }
}

// Headers: the listing, filtered as one types.
async function loadHeaders() {
  const list = await api('/api/headers', { file: state.file });
  const marks = state.compare ? state.compare.marks : {};
  document.querySelector('#header-list .mark-col').hidden = !state.compare;
  const body = document.querySelector('#header-list tbody');
  body.replaceChildren();
  for (const h of list.headers) {
    const tr = el('tr');
    const name = el('td', h.name, 'name');
    name.addEventListener('click', () => openHeader(h.name));
    tr.append(name, el('td', h.type), el('td', h.storage), el('td', h.dims_text), el('td', h.long_name));
    if (state.compare) {
      const mark = marks[h.name] || '';
      tr.append(el('td', mark, `mark mark-${mark.replaceAll(' ', '-')}`));
    }
    tr.dataset.text = [h.name, h.dims_text, h.long_name].join(' ').toLowerCase();
    body.append(tr);
  }
  filterHeaders();
}

function filterHeaders() {
  const words = $('filter').value.toLowerCase().split(/\s+/).filter(Boolean);
  let shown = 0;
  for (const tr of document.querySelectorAll('#header-list tbody tr')) {
    tr.hidden = !words.every((w) => tr.dataset.text.includes(w));
    if (!tr.hidden) shown += 1;
  }
  const none = $('no-match');
  none.hidden = shown > 0 || !words.length;
  none.textContent = `No header matches "${$('filter').value}".`;
}

// One header: its dimensions, then pages of its values.
// `keep` brings back a view: roles, page offsets and chart (from the
// address, or when the shown file switches).
async function openHeader(name, keep = null) {
  const info = await api('/api/header', { file: state.file, h: name });
  const same = state.head && state.head.name === info.name;
  state.head = info;
  state.dims = info.dims;
  state.roles = info.dims.map((d, k) => (k === 0 ? 'r' : k === 1 ? 'c' : 't'));
  if (info.type === '1C') state.roles = [];
  const valid = keep && keep.roles && keep.roles.length === state.roles.length &&
    keep.roles.filter((r) => r === 'r').length === 1 && keep.roles.filter((r) => r === 'c').length <= 1 &&
    keep.roles.every((r, k) => 'rct'.includes(r) || (Number(r) >= 1 && Number(r) <= info.dims[k].size));
  if (valid) state.roles = keep.roles.slice();
  state.r0 = keep ? keep.r0 || 0 : 0;
  state.c0 = keep ? keep.c0 || 0 : 0;
  clearChart();
  state.chart = keep && keep.chart ? [keep.chart[0], Number(keep.chart[1])] : null;
  $('head-title').textContent = `${info.name}: ${info.long_name} (${info.type}, ${info.dims_text})`;
  $('tab-header').disabled = false;
  $('csv-header').href = `/api/csv?${new URLSearchParams({ file: state.file, h: info.name, token })}`;
  buildPickers();
  showTab('header');
  await loadSlice(false);
  if (state.chart) await chart(...state.chart);
  remember(!same);
}

function roleOf(k) {
  return state.roles[k];
}

function buildPickers() {
  const is1C = state.head.type === '1C';
  // Controls that do nothing for strings are not shown.
  for (const id of ['numformat', 'grouping', 'shade', 'csv-totals', 'chart-row', 'chart-col']) {
    $(id).closest('label, button').hidden = is1C;
  }
  $('csv-table').hidden = is1C;
  $('decimals-pick').hidden = is1C || $('numformat').value !== 'fixed';
  $('col-prev').hidden = is1C || !state.roles.includes('c');
  $('col-next').hidden = $('col-prev').hidden;
  for (const id of ['rows', 'cols']) $(id).parentElement.hidden = is1C || state.dims.length === 0;
  $('swap').hidden = is1C || state.dims.length < 2;
  const rows = $('rows');
  const cols = $('cols');
  rows.replaceChildren();
  cols.replaceChildren();
  cols.append(new Option('(none)', '-1'));
  state.dims.forEach((d, k) => {
    const label = `${d.title} (${d.size})`;
    rows.append(new Option(label, String(k)));
    cols.append(new Option(label, String(k)));
  });
  rows.value = String(state.roles.indexOf('r'));
  cols.value = String(state.roles.indexOf('c'));
  const others = $('others');
  others.replaceChildren();
  state.dims.forEach((d, k) => {
    if (is1C || roleOf(k) === 'r' || roleOf(k) === 'c') return;
    const label = el('label', `${d.title} `);
    const pick = el('select');
    pick.id = `fix-${k + 1}`;
    pick.append(new Option('Total', 't'));
    d.elements.forEach((e, i) => pick.append(new Option(e, String(i + 1))));
    pick.value = String(roleOf(k));
    pick.addEventListener('change', () => {
      state.roles[k] = pick.value;
      reload();
    });
    label.append(pick);
    others.append(label);
  });
}

function reload() {
  state.r0 = 0;
  state.c0 = 0;
  clearChart();
  buildPickers();
  loadSlice();
}

function pickRows(k) {
  const old = state.roles.indexOf('r');
  if (k === old) return;
  if (state.roles[k] === 'c') return swap();
  state.roles[old] = 't';
  state.roles[k] = 'r';
  reload();
}

function pickCols(k) {
  const old = state.roles.indexOf('c');
  if (k === old) return;
  if (k >= 0 && state.roles[k] === 'r') {
    if (old >= 0) return swap();
    return;
  }
  if (old >= 0) state.roles[old] = 't';
  if (k >= 0) state.roles[k] = 'c';
  reload();
}

function swap() {
  const r = state.roles.indexOf('r');
  const c = state.roles.indexOf('c');
  if (r < 0 || c < 0) return;
  state.roles[r] = 'c';
  state.roles[c] = 'r';
  reload();
}

function pageSize() {
  return Number($('pagesize').value);
}

async function loadSlice(record = true) {
  const n = pageSize();
  const params = { file: state.file, h: state.head.name, r0: state.r0, rn: n, c0: state.c0 };
  if (state.head.type !== '1C') {
    params.sel = state.roles.join(',');
    params.cn = state.roles.includes('c') ? n : 1;
  }
  const slice = await api('/api/slice', params);
  if (slice.values) {
    slice.values = slice.values.map((row) => row.map(num));
    if (slice.other) slice.other = slice.other.map((row) => row.map(num));
    slice.row_totals = slice.row_totals.map(num);
    slice.col_totals = slice.col_totals.map(num);
    slice.total = num(slice.total);
  }
  state.slice = slice;
  render();
  if (record) remember();
}

// The server sends the stored values; NaN and the infinities as text.
function num(v) {
  if (v === 'NaN') return NaN;
  if (v === 'Inf') return Infinity;
  if (v === '-Inf') return -Infinity;
  return v;
}

// Significant digits of the "auto" format; magnitudes outside [1e-4, 1e15)
// are written with an exponent.
const SIGNIFICANT = 7;

function grouped(text) {
  if (!$('grouping').checked) return text;
  const m = /^(-?)(\d+)(.*)$/.exec(text);
  if (!m || m[3].includes('e')) return text;
  return m[1] + m[2].replace(/\B(?=(\d{3})+(?!\d))/g, ',') + m[3];
}

function trimZeros(text) {
  return text.includes('.') ? text.replace(/\.?0+(?=e|$)/, '') : text;
}

// A shown number, rounded from the stored value: NaN, Inf, -Inf as harinfo
// prints them; integers of a 2I header without decimals.
function fmt(v, integer = false) {
  if (v === null || v === undefined) return '';
  if (Number.isNaN(v)) return 'NaN';
  if (v === Infinity) return 'Inf';
  if (v === -Infinity) return '-Inf';
  if (integer && Number.isInteger(v)) return grouped(String(v));
  if ($('numformat').value === 'fixed') {
    const d = Math.min(10, Math.max(0, Number($('decimals').value) || 0));
    return grouped(v.toFixed(d));
  }
  const a = Math.abs(v);
  if (a === 0) return '0';
  if (a < 1e-4 || a >= 1e15) return trimZeros(v.toExponential(SIGNIFICANT - 1)).replace('e+', 'e');
  if (a >= 10 ** SIGNIFICANT) return grouped(String(Math.round(v)));
  return grouped(trimZeros(v.toPrecision(SIGNIFICANT)));
}

// Integers are shown as such when the header is a 2I matrix and the
// number is not a percentage.
function integral() {
  return state.slice && state.slice.type === '2I' && $('diffmode').value !== 'pct';
}

function sameValue(a, b) {
  return a === b || (Number.isNaN(a) && Number.isNaN(b));
}

// The tolerances the comparison was last made with: the compare list, the
// marks of changed cells and next difference agree.
function appliedTolerance() {
  const t = state.compare && state.compare.tolerance;
  return t && !t.exact ? { abs: t.abs, rel: t.rel } : {};
}

// A cell of this file against the other's marked changed: other values,
// and not equal within the tolerance (|new - old| <= abs + rel x |old|).
function changed(mine, theirs) {
  if (sameValue(mine, theirs)) return false;
  const t = appliedTolerance();
  if (t.abs === undefined || !Number.isFinite(mine) || !Number.isFinite(theirs)) return true;
  const old = state.file === 0 ? mine : theirs;
  return Math.abs(theirs - mine) > t.abs + t.rel * Math.abs(old);
}

// The number shown for a cell: this file's value, the other's, or the
// difference between them.
function shown(v, o) {
  const mode = state.slice.other ? $('diffmode').value : 'this';
  if (mode === 'this') return v;
  if (o === null || o === undefined || v === null) return null;
  if (mode === 'other') return o;
  if (mode === 'abs') return sameValue(o, v) ? 0 : o - v;
  if (sameValue(o, v)) return 0;
  return v === 0 ? null : ((o - v) / Math.abs(v)) * 100;
}

function render() {
  const s = state.slice;
  const grid = $('grid');
  grid.replaceChildren();
  const note = $('other-note');
  note.hidden = !s.other_note;
  note.textContent = s.other_note ? `Compare: ${s.other_note}` : '';
  $('diff-pick').hidden = !s.other && !s.other_strings;
  $('diff-nav').hidden = !s.other;
  if (!s.other) $('diff-text').textContent = '';
  if (s.type === '1C') return renderStrings(s);
  const rows = s.rows ? s.rows.names : [''];
  const cols = s.cols ? s.cols.names : [s.header];
  const thead = el('thead');
  const top = el('tr');
  const corner = s.rows && s.cols ? `${s.rows.title} \\ ${s.cols.title}` : s.rows ? s.rows.title : '';
  top.append(el('th', corner, 'corner'));
  cols.forEach((name, j) => {
    const th = el('th', s.cols ? name : 'Value');
    if (s.cols) {
      th.title = 'chart this column';
      th.addEventListener('click', () => chart('col', s.cols.offset + j));
    }
    top.append(th);
  });
  // Without columns a row's total is its one cell: no second column.
  if (s.cols) top.append(el('th', 'Total', 'total'));
  thead.append(top);
  const values = s.values.map((row, i) => row.map((v, j) => shown(v, s.other ? s.other[i][j] : null)));
  const finite = values.flat().filter((v) => v !== null && Number.isFinite(v));
  const peak = finite.reduce((m, v) => Math.max(m, Math.abs(v)), 1e-300);
  const int = integral();
  const plain = !s.other || $('diffmode').value === 'this';
  const body = el('tbody');
  rows.forEach((name, i) => {
    const tr = el('tr');
    const th = el('th', name);
    if (s.cols) {
      th.title = 'chart this row';
      th.addEventListener('click', () => chart('row', s.rows.offset + i));
    }
    tr.append(th);
    values[i].forEach((v, j) => {
      const td = el('td', fmt(v, int));
      if (isMarked(s, i, j)) td.classList.add('current');
      if (s.other) {
        const o = s.other[i][j];
        if (changed(s.values[i][j], o)) {
          td.classList.add('changed');
          td.title = `this file ${fmt(s.values[i][j], int)}, other file ${fmt(o, int)}`;
        }
      }
      if ($('shade').checked && v !== null && Number.isFinite(v)) {
        const a = Math.min(1, Math.abs(v) / peak) * 0.6;
        td.style.backgroundColor = v < 0 ? `rgba(200,60,60,${a})` : `rgba(60,110,190,${a})`;
      }
      tr.append(td);
    });
    if (s.cols) tr.append(totalCell(plain ? s.row_totals[i] : null, int));
    body.append(tr);
  });
  const foot = el('tr');
  foot.append(el('th', 'Total', 'total'));
  s.col_totals.forEach((v) => foot.append(totalCell(plain ? v : null, int)));
  if (s.cols) foot.append(totalCell(plain ? s.total : null, int));
  body.append(foot);
  grid.append(thead, body);
  if ($('diff-only').checked && s.other) onlyDifferences(grid);
  const rowsAll = s.rows ? s.rows.size : 1;
  const colsAll = s.cols ? s.cols.size : 1;
  $('page-text').textContent = `rows ${state.r0 + 1}-${state.r0 + rows.length} of ${rowsAll}` +
    (s.cols ? `, columns ${state.c0 + 1}-${state.c0 + cols.length} of ${colsAll}` : '');
  $('row-prev').disabled = state.r0 === 0;
  $('row-next').disabled = state.r0 + rows.length >= rowsAll;
  $('col-prev').disabled = state.c0 === 0;
  $('col-next').disabled = state.c0 + cols.length >= colsAll;
  tableCsvLink();
  $('chart-row').hidden = !s.cols;
  $('chart-col').hidden = !s.rows;
  $('chart-col').textContent = s.cols ? 'Chart first column' : 'Chart';
}

// A total; one that is not finite summed a NaN or an infinity, and says so.
function totalCell(v, int) {
  const td = el('td', fmt(v, int), 'total');
  if (v !== null && !Number.isFinite(v)) {
    td.classList.add('nonfinite');
    td.title = 'the sum takes in a cell that is NaN or infinite';
  }
  return td;
}

function renderStrings(s) {
  const body = el('tbody');
  s.strings.forEach((text, i) => {
    const tr = el('tr');
    tr.append(el('th', s.offset + i + 1));
    const td = el('td', text);
    td.style.textAlign = 'left';
    if (s.other_strings && s.other_strings[i] !== text) {
      td.classList.add('changed');
      td.title = `other file: ${s.other_strings[i] ?? '(none)'}`;
    }
    tr.append(td);
    body.append(tr);
  });
  $('grid').append(body);
  $('page-text').textContent = `strings ${s.offset + 1}-${s.offset + s.strings.length} of ${s.size}`;
  $('row-prev').disabled = s.offset === 0;
  $('row-next').disabled = s.offset + s.strings.length >= s.size;
  $('col-prev').disabled = true;
  $('col-next').disabled = true;
}

// The cell the last "next difference" went to, while its slice is shown.
function isMarked(s, i, j) {
  const m = state.mark;
  if (!m || m.head !== state.head.name || m.roles !== state.roles.join(',')) return false;
  const row = s.rows ? s.rows.offset + i : 0;
  const col = s.cols ? s.cols.offset + j : 0;
  return row === m.row && col === m.col;
}

// Hides the rows and columns of the page on screen without a changed cell.
function onlyDifferences(grid) {
  const rows = [...grid.querySelectorAll('tbody tr')].slice(0, -1);
  const cols = new Set();
  for (const tr of rows) {
    const cells = [...tr.querySelectorAll('td:not(.total)')];
    cells.forEach((td, j) => { if (td.classList.contains('changed')) cols.add(j); });
    tr.hidden = !cells.some((td) => td.classList.contains('changed'));
  }
  for (const tr of grid.querySelectorAll('tr')) {
    [...tr.children].slice(1).forEach((cell, j) => {
      if (!cell.classList.contains('total')) cell.hidden = !cols.has(j);
    });
  }
}

// Goes to the next (or previous) differing cell of the whole header, as
// the comparison finds them in the file's order of cells: the fixed
// dimensions switch to its slice, the page to the one holding it, and it
// is outlined.
async function nextDifference(dir) {
  const params = { h: state.head.name, dir, ...appliedTolerance() };
  const m = state.mark;
  if (m && m.head === state.head.name) params.at = m.cell;
  const d = await api('/api/nextdiff', params);
  if (!d.found) {
    $('diff-text').textContent = dir === 'next' ? 'no difference after this one' : 'no difference before this one';
    return;
  }
  const at = state.file === 0 ? d.at : d.new_at;
  const r = state.roles.indexOf('r');
  const c = state.roles.indexOf('c');
  state.roles = state.roles.map((role, k) => (k === r || k === c ? role : String(at[k] + 1)));
  const n = pageSize();
  state.r0 = r >= 0 ? Math.floor(at[r] / n) * n : 0;
  state.c0 = c >= 0 ? Math.floor(at[c] / n) * n : 0;
  state.mark = { head: state.head.name, cell: d.cell, roles: state.roles.join(','), row: r >= 0 ? at[r] : 0, col: c >= 0 ? at[c] : 0 };
  buildPickers();
  await loadSlice();
  // The cell by its labels, with both files' values as stored.
  const sl = state.slice;
  const i = state.mark.row - (sl.rows ? sl.rows.offset : 0);
  const j = state.mark.col - (sl.cols ? sl.cols.offset : 0);
  const where = at.map((e, k) => state.dims[k].elements[e] ?? String(e + 1)).join(' ');
  $('diff-text').textContent = where;
  if (sl.other && sl.values[i] && j < sl.values[i].length) {
    const mine = fmt(sl.values[i][j], integral());
    const theirs = fmt(sl.other[i][j], integral());
    const [oldText, newText] = state.file === 0 ? [mine, theirs] : [theirs, mine];
    $('diff-text').textContent = `${where}: OLD ${oldText}, NEW ${newText}`;
  }
  const td = document.querySelector('#grid td.current');
  if (td) td.scrollIntoView({ block: 'center', inline: 'center' });
}

function page(dr, dc) {
  const n = pageSize();
  state.r0 = Math.max(0, state.r0 + dr * n);
  state.c0 = Math.max(0, state.c0 + dc * n);
  loadSlice();
}

// The whole table (every row and column of the slice), as CSV from the
// server at full precision.
function tableCsvLink() {
  const params = { file: state.file, h: state.head.name, sel: state.roles.join(',') };
  if ($('csv-totals').checked) params.totals = 1;
  $('csv-table').href = `/api/tablecsv?${new URLSearchParams({ ...params, token })}`;
}

function clearChart() {
  state.chart = null;
  $('chart').hidden = true;
  $('chart-svg').replaceChildren();
}

// The fixed and totalled dimensions, in words, for titles.
function fixedText() {
  const parts = [];
  state.dims.forEach((d, k) => {
    const r = state.roles[k];
    if (r === 't') parts.push(`${d.title} total`);
    else if (r !== 'r' && r !== 'c') parts.push(`${d.title} ${d.elements[Number(r) - 1]}`);
  });
  return parts.length ? ` (${parts.join(', ')})` : '';
}

// A bar chart of a whole row or column (index along its dimension), fetched
// in full, not only the page shown.
async function chart(kind, index) {
  const s = state.slice;
  if (!s || s.type === '1C' || !s.rows || (kind === 'row' && !s.cols)) return;
  const size = kind === 'row' ? s.rows.size : s.cols ? s.cols.size : 1;
  if (!(index >= 0 && index < size)) return clearChart();
  state.chart = [kind, index];
  const params = { file: state.file, h: state.head.name, sel: state.roles.join(',') };
  if (kind === 'row') Object.assign(params, { r0: index, rn: 1, c0: 0, cn: Math.min(s.cols.size, 100000) });
  else Object.assign(params, { r0: 0, rn: Math.min(s.rows.size, 100000), c0: index, cn: 1 });
  const line = await api('/api/slice', params);
  const raw = kind === 'row' ? line.values[0] : line.values.map((row) => row[0]);
  const other = line.other ? (kind === 'row' ? line.other[0] : line.other.map((row) => row[0])) : null;
  const values = raw.map((v, i) => shown(num(v), other ? num(other[i]) : null));
  const names = kind === 'row' ? line.cols.names : line.rows.names;
  const what = kind === 'row' ? `${s.rows.title} ${line.rows.names[0]}`
    : s.cols ? `${s.cols.title} ${line.cols.names[0]}` : 'values';
  const along = kind === 'row' ? s.cols.title : s.rows.title;
  $('chart').hidden = false;
  $('chart-title').textContent = `${state.head.name}${fixedText()}: ${what} by ${along}`;
  drawBars(names, values);
  remember();
}

function drawBars(names, values) {
  const svg = $('chart-svg');
  const ns = 'http://www.w3.org/2000/svg';
  const bar = 18;
  const width = 420;
  const left = 110;
  const nums = values.map((v) => (v === null || !Number.isFinite(v) ? 0 : v));
  const lo = Math.min(0, ...nums);
  const hi = Math.max(0, ...nums);
  const scale = (width - left - 70) / ((hi - lo) || 1);
  const zero = left + (0 - lo) * scale;
  svg.replaceChildren();
  svg.setAttribute('width', width);
  svg.setAttribute('height', values.length * bar + 10);
  nums.forEach((v, i) => {
    const y = 5 + i * bar;
    const rect = document.createElementNS(ns, 'rect');
    rect.setAttribute('x', Math.min(zero, zero + v * scale));
    rect.setAttribute('y', y + 2);
    rect.setAttribute('width', Math.max(1, Math.abs(v * scale)));
    rect.setAttribute('height', bar - 4);
    rect.setAttribute('class', v < 0 ? 'neg' : 'pos');
    const name = document.createElementNS(ns, 'text');
    name.setAttribute('x', 4);
    name.setAttribute('y', y + bar - 5);
    name.textContent = names[i];
    const text = document.createElementNS(ns, 'text');
    text.setAttribute('x', Math.max(zero, zero + v * scale) + 4);
    text.setAttribute('y', y + bar - 5);
    text.textContent = fmt(values[i], integral());
    svg.append(rect, name, text);
  });
}

async function loadSets() {
  const { sets } = await api('/api/sets', { file: state.file });
  const box = $('sets');
  box.replaceChildren();
  for (const set of sets) {
    const div = el('div', null, 'set');
    const head = el('div');
    head.append(el('strong', `${set.name} (${set.size})`));
    if (set.defined_by) head.append(` defined by ${set.defined_by}`);
    head.append(`, used by ${set.used_by.length ? set.used_by.join(' ') : 'no header'}`);
    div.append(head, el('div', set.elements.length ? set.elements.join(' ') : '(elements not named in the file)', 'elements'));
    box.append(div);
  }
}

async function loadHistory() {
  const { lines } = await api('/api/history', { file: state.file });
  $('history-lines').textContent = lines.length ? lines.join('\n') : '(no history)';
}

// The comparison's numbers in six significant digits, as harinfo diff
// writes them; a difference that is no number (NaN, or relative to a 0 in
// OLD) as n/a.
function diffNumber(v) {
  return v === null || v === undefined ? 'n/a' : String(Number(Number(v).toPrecision(6)));
}

// The largest difference of one kind, the cell by its labels, both values.
function largest(cell, kind) {
  if (!cell) return '';
  return `${diffNumber(cell[kind])} at ${cell.cell.join(' ')} (${cell.old} \u2192 ${cell.new})`;
}

// What became of the elements and set names of a header whose labels changed.
function labelChanges(h) {
  const parts = [];
  for (const r of h.renames || []) parts.push(`set ${r.from} \u2192 ${r.to}`);
  for (const c of h.element_changes || []) {
    const where = c.old_set === c.new_set ? c.old_set : `${c.old_set} \u2192 ${c.new_set}`;
    const bits = c.renamed.map((r) => `${r.from} \u2192 ${r.to}`);
    if (c.added.length) bits.push(`added ${c.added.join(' ')}`);
    if (c.removed.length) bits.push(`removed ${c.removed.join(' ')}`);
    if (c.reordered) bits.push('reordered');
    parts.push(`${where}: ${bits.join(', ')}`);
  }
  parts.push(...(h.label_changes || []));
  if (h.not_comparable) parts.push(h.not_comparable);
  return parts.join('; ');
}

function cellsText(h) {
  const bits = [];
  if (h.cells_differing !== undefined) bits.push(String(h.cells_differing));
  if (h.cells_within_tolerance) bits.push(`${h.cells_within_tolerance} within tolerance`);
  if (h.cells_only_in_old || h.cells_only_in_new) {
    bits.push(`${h.cells_only_in_old} only in OLD, ${h.cells_only_in_new} only in NEW`);
  }
  return bits.join('; ');
}

function tolerances() {
  const t = {};
  if ($('tol-abs').value.trim()) t.abs = $('tol-abs').value.trim();
  if ($('tol-rel').value.trim()) t.rel = $('tol-rel').value.trim();
  return t;
}

async function loadCompare() {
  state.compare = await api('/api/compare', tolerances());
  renderCompare();
}

function renderCompare() {
  const c = state.compare;
  $('summary').textContent = `${c.summary} (${c.tolerance.text})`;
  const body = document.querySelector('#compare-list tbody');
  body.replaceChildren();
  const heads = new Map(c.headers.map((h) => [h.name, h]));
  for (const [name, mark] of Object.entries(c.marks)) {
    const h = heads.get(name) || {};
    const tr = el('tr');
    const td = el('td', name, 'name');
    td.addEventListener('click', () => openHeader(name).catch(() => {}));
    tr.append(td, el('td', mark, `mark mark-${mark.replaceAll(' ', '-')}`),
      el('td', cellsText(h), 'num'), el('td', largest(h.largest_abs, 'abs_difference')),
      el('td', largest(h.largest_rel, 'rel_difference')), el('td', labelChanges(h)));
    body.append(tr);
  }
}

async function start() {
  const { files, compare } = await api('/api/files');
  state.files = files;
  $('title').textContent = `harinfo view: ${files.map((f) => f.name).join(' against ')}`;
  if (compare) {
    // The tolerances of the comparison come back from the address first.
    const f = new URLSearchParams(location.hash.slice(1));
    $('tol-abs').value = f.get('abs') || '';
    $('tol-rel').value = f.get('rel') || '';
    await loadCompare();
    $('tab-compare').hidden = false;
    $('file-pick').hidden = false;
    files.forEach((f, i) => $('file').append(new Option(`${i === 0 ? 'OLD' : 'NEW'} ${f.name}`, String(i))));
  }
  await loadHeaders();
  if (location.hash.length > 1) await restore();
}

$('tabs').addEventListener('click', (e) => {
  const tab = e.target.dataset && e.target.dataset.tab;
  if (!tab) return;
  showTab(tab);
  remember(true);
  if (tab === 'sets') loadSets().catch(() => {});
  if (tab === 'history') loadHistory().catch(() => {});
});
$('filter').addEventListener('input', () => {
  filterHeaders();
  remember();
});
$('chart-row').addEventListener('click', () => state.slice && chart('row', state.r0));
$('chart-col').addEventListener('click', () => state.slice && chart('col', state.c0));
$('chart-close').addEventListener('click', () => {
  clearChart();
  remember();
});
window.addEventListener('popstate', () => restore().catch(() => {}));
$('tolerance').addEventListener('submit', (e) => {
  e.preventDefault();
  loadCompare().then(() => remember()).catch(() => {});
});
$('reload').addEventListener('click', () => reloadFiles().catch(() => {}));
setInterval(watchFiles, 3000);
$('rows').addEventListener('change', () => pickRows(Number($('rows').value)));
$('cols').addEventListener('change', () => pickCols(Number($('cols').value)));
$('swap').addEventListener('click', swap);
// Another file shown: the same header, fixed dimensions, page and chart.
$('file').addEventListener('change', () => {
  state.file = Number($('file').value);
  loadHeaders().catch(() => {});
  if (state.head) {
    openHeader(state.head.name, { roles: state.roles, r0: state.r0, c0: state.c0, chart: state.chart })
      .catch(() => {});
  }
});
for (const id of ['numformat', 'decimals', 'grouping', 'shade', 'diffmode']) {
  for (const type of ['input', 'change']) {
    $(id).addEventListener(type, () => {
      $('decimals-pick').hidden = $('numformat').value !== 'fixed';
      if (state.slice) render();
      if (state.chart) chart(...state.chart).catch(() => {});
      remember();
    });
  }
}
$('pagesize').addEventListener('change', () => state.head && reload());
$('diff-next').addEventListener('click', () => state.head && nextDifference('next').catch(() => {}));
$('diff-prev').addEventListener('click', () => state.head && nextDifference('prev').catch(() => {}));
$('diff-only').addEventListener('change', () => state.slice && render());
$('row-prev').addEventListener('click', () => page(-1, 0));
$('row-next').addEventListener('click', () => page(1, 0));
$('col-prev').addEventListener('click', () => page(0, -1));
$('col-next').addEventListener('click', () => page(0, 1));
$('csv-table').addEventListener('click', tableCsvLink);
$('csv-totals').addEventListener('input', () => {
  tableCsvLink();
  remember();
});
start().catch(() => {});

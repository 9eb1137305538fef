// The search of the exported data dictionary. Every page's search form opens
//   index.html?q=TEXT&mode=tablename|colname|tabledesc|coldesc&area=all|CODE
// and this script, on index.html, lists the tables and columns found, each linked to its page, so a link
// can share a search. It finds what the program finds: the text without its leading and trailing
// blanks, contained in the table name, table description, column name or column description, ignoring
// letter case as the program does. Texts from the dictionary are only ever shown as text.
(function () {
  'use strict';

  var shownHits = 500;
  var results = document.getElementById('results');
  var form = document.querySelector('form.search');
  if (!results || !form) return;
  var params = new URLSearchParams(window.location.search);
  if (!params.has('q')) return;

  var modes = ['tablename', 'colname', 'tabledesc', 'coldesc'];
  var mode = (params.get('mode') || '').toLowerCase();
  if (modes.indexOf(mode) < 0) mode = 'tablename';
  var query = params.get('q');
  form.elements.q.value = query;
  form.elements.mode.value = mode;
  form.elements.area.value = (params.get('area') || 'all').toLowerCase();
  if (form.elements.area.selectedIndex < 0) form.elements.area.value = 'all';
  var area = form.elements.area.value;
  // changed=1 (a site exported with --compare): only the tables and columns that changed.
  var changedOnly = params.get('changed') === '1' && form.elements.changed !== undefined;
  if (changedOnly) form.elements.changed.checked = true;
  var text = query.replace(/^ +| +$/g, '');
  var columnMode = mode === 'colname' || mode === 'coldesc';

  function element(tag, text, className) {
    var node = document.createElement(tag);
    if (text !== undefined) node.textContent = text;
    if (className) node.className = className;
    return node;
  }

  function say(message) {
    results.textContent = '';
    results.appendChild(element('h2', message));
    results.hidden = false;
  }

  function load(source, done) {
    var script = document.createElement('script');
    script.src = source;
    script.onload = done;
    script.onerror = function () { say('The search index ' + source + ' is missing.'); };
    document.head.appendChild(script);
  }

  if (!text) {
    say('Enter text to search');
    return;
  }
  document.title = 'Search: ' + text + ' \u00b7 ' + document.title;
  load('assets/index-tables.js', function () {
    var next = columnMode ? function () { load('assets/index-columns.js', run); } : run;
    if (changedOnly) load('assets/index-changes.js', next);
    else next();
  });

  function run() {
    var data = window.volmiraTables;
    var foldOf = new Map(data.fold);
    var foldOne = function (c) {
      var folded = foldOf.get(c.codePointAt(0));
      return folded === undefined ? c : String.fromCodePoint(folded);
    };
    var lowerAscii = function (run) { return run.toLowerCase(); };
    var asciiOnly = /^[\x00-\x7f]*$/;
    function fold(s) {
      if (asciiOnly.test(s)) return s.toLowerCase();
      return s.replace(/[A-Z]+/g, lowerAscii).replace(/[^\x00-\x7f]/gu, foldOne);
    }
    var needle = fold(text);
    var areaNumber = -1;
    data.areas.forEach(function (a, i) { if (a[0] === area) areaNumber = i; });
    var inArea = function (table) { return areaNumber < 0 || table[0] === areaNumber; };
    var changedTables = changedOnly ? new Set(window.volmiraChanged.tables) : null;
    var changedColumns = changedOnly ? new Set(window.volmiraChanged.columns) : null;

    var hits = [];
    var columnCount = 0;
    if (!columnMode) {
      data.tables.forEach(function (table, i) {
        if (changedTables && !changedTables.has(i)) return;
        if (inArea(table) && fold(mode === 'tablename' ? table[1] : table[2]).indexOf(needle) >= 0)
          hits.push({ table: i, columns: [] });
      });
    } else {
      var hitOf = new Map();
      window.volmiraColumns.forEach(function (column) {
        if (!inArea(data.tables[column[0]])) return;
        if (changedColumns && !changedColumns.has(column[0] + '/' + column[3])) return;
        if (fold(mode === 'colname' ? column[1] : column[2]).indexOf(needle) < 0) return;
        var hit = hitOf.get(column[0]);
        if (!hit) {
          hit = { table: column[0], columns: [] };
          hitOf.set(column[0], hit);
          hits.push(hit);
        }
        hit.columns.push(column);
        ++columnCount;
      });
    }
    // Across all areas the tables come in order of their names, as the program lists them.
    if (areaNumber < 0) {
      var keys = new Map();
      hits.forEach(function (hit) { keys.set(hit, fold(data.tables[hit.table][1])); });
      hits.sort(function (a, b) {
        var x = keys.get(a), y = keys.get(b);
        return x < y ? -1 : x > y ? 1 : a.table - b.table;
      });
    }
    show(data, hits, columnCount, needle, fold);
  }

  function excerpt(source, needle, fold) {
    var at = Math.max(0, fold(source).indexOf(needle));
    var start = Math.max(0, at - 60);
    var end = Math.min(source.length, at + needle.length + 100);
    return (start > 0 ? '\u2026' : '') + source.slice(start, end) + (end < source.length ? '\u2026' : '');
  }

  function show(data, hits, columnCount, needle, fold) {
    if (hits.length === 0) {
      say('No result found');
      return;
    }
    say(columnMode
      ? columnCount + (columnCount === 1 ? ' column in ' : ' columns in ') + hits.length +
        (hits.length === 1 ? ' table' : ' tables')
      : hits.length + (hits.length === 1 ? ' table found' : ' tables found'));
    var list = element('ol');
    hits.slice(0, shownHits).forEach(function (hit) {
      var table = data.tables[hit.table];
      var item = element('li');
      var link = element('a', table[1]);
      link.href = table[3];
      item.appendChild(link);
      item.appendChild(document.createTextNode(' '));
      item.appendChild(element('span', data.areas[table[0]][1], 'area'));
      if (mode === 'tabledesc') item.appendChild(element('div', excerpt(table[2], needle, fold), 'excerpt'));
      if (hit.columns.length) {
        var columns = element('ul');
        hit.columns.forEach(function (column) {
          var entry = element('li');
          var columnLink = element('a', column[1]);
          columnLink.href = table[3] + '#c' + column[3];
          entry.appendChild(columnLink);
          if (mode === 'coldesc') {
            entry.appendChild(document.createTextNode(' '));
            entry.appendChild(element('span', excerpt(column[2], needle, fold), 'excerpt'));
          }
          columns.appendChild(entry);
        });
        item.appendChild(columns);
      }
      list.appendChild(item);
    });
    results.appendChild(list);
    if (hits.length > shownHits)
      results.appendChild(element('p', 'The first ' + shownHits + ' of ' + hits.length + ' tables are shown.'));
  }
})();

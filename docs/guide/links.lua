-- Links between the guide's pages are written to the Markdown files
-- (page.md, page.md#part) so that they work where the Markdown is read; the
-- HTML pages link to each other's HTML.
function Link(link)
  if not link.target:match('^%a[%w+.-]*:') then
    link.target = link.target:gsub('%.md$', '.html'):gsub('%.md#', '.html#')
  end
  return link
end
